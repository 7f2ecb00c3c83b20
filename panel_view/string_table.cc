#include "panel_view/string_table.h"

namespace tamborix {
namespace {

struct Entry {
  int id;
  const char* text;
};

constexpr Entry kTable[] = {
    {1, "UPLOAD"},
    {2, "ABORT"},
    {3, "Max Rec (min) :"},
    {4, "File Size :"},
    {5, "Please select file name"},
    {6, "Lumo Recorder"},
    {10001, "上載"},
    {10002, "取消"},
    {10003, "最長錄音(分鐘):"},
    {10004, "檔案大小 :"},
    {10005, "請選擇檔案名稱"},
    {10006, "露莫錄音機"},
    {20001, "上传"},
    {20002, "取消"},
    {20003, "最长录音(分钟):"},
    {20004, "文件大小 :"},
    {20005, "请选择文件名称"},
    {20006, "露莫录音机"},
};

}  // namespace

const char* FindString(int id) {
  for (const Entry& e : kTable) {
    if (e.id == id) {
      return e.text;
    }
  }
  return nullptr;
}

}  // namespace tamborix
