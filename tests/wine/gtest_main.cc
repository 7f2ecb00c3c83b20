// The entry point of the GoogleTest programs that run under Wine: each case
// is reported as one line "PASS <case>" or "FAIL <case>: <first failure>",
// then "DONE", as the Wine scripts read every test program.
#include <gtest/gtest.h>

#include <cstdio>
#include <string>

namespace {

class LinePrinter : public ::testing::EmptyTestEventListener {
  void OnTestPartResult(const ::testing::TestPartResult& result) override {
    if (result.failed() && first_.empty()) {
      first_ = std::string(result.file_name() != nullptr ? result.file_name() : "?") + ":" +
               std::to_string(result.line_number()) + ": " + result.summary();
      for (char& c : first_) {
        c = (c == '\n' || c == '\r') ? ' ' : c;
      }
    }
  }
  void OnTestStart(const ::testing::TestInfo&) override { first_.clear(); }
  void OnTestEnd(const ::testing::TestInfo& info) override {
    const std::string name = std::string(info.test_suite_name()) + "." + info.name();
    if (info.result()->Passed()) {
      std::printf("PASS %s\n", name.c_str());
    } else {
      std::printf("FAIL %s: %s\n", name.c_str(), first_.c_str());
    }
    std::fflush(stdout);
  }
  void OnTestProgramEnd(const ::testing::UnitTest&) override {
    std::printf("DONE\n");
    std::fflush(stdout);
  }

  std::string first_;
};

}  // namespace

int main(int argc, char** argv) {
  ::testing::InitGoogleTest(&argc, argv);
  ::testing::TestEventListeners& listeners = ::testing::UnitTest::GetInstance()->listeners();
  delete listeners.Release(listeners.default_result_printer());
  listeners.Append(new LinePrinter);
  return RUN_ALL_TESTS() == 0 ? 0 : 1;
}
