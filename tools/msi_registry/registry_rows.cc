#include "registry_rows.h"

#include <algorithm>
#include <set>

namespace tamborix {
namespace {

using registrar::RootKey;

// Registration's writes, and unregistration's deletions, in order.
class RecordingRegistry : public registrar::RegistryEditor {
 public:
  Result CreateKey(RootKey root, const std::string& path) override {
    if (!Note(root)) {
      return kEFail;
    }
    if (std::find(created_.begin(), created_.end(), path) == created_.end()) {
      created_.push_back(path);
    }
    return kSOk;
  }
  Result SetString(RootKey root, const std::string& path, const std::string& name,
                   const std::string& data) override {
    return Set(root, {path, name, false, data});
  }
  Result SetNumber(RootKey root, const std::string& path, const std::string& name,
                   uint32_t data) override {
    return Set(root, {path, name, true, std::to_string(data)});
  }
  Result DeleteTree(RootKey root, const std::string& path) override {
    removed_.insert(path);
    return kSOk;
  }
  Result DeleteKeyIfLeaf(RootKey root, const std::string& path) override {
    removed_.insert(path);
    return kSOk;
  }
  Result DeleteValue(RootKey, const std::string&, const std::string&) override { return kSOk; }

  void StartUnregistering() { removed_.clear(); }

  std::vector<RegistryRow> Rows() const {
    std::vector<RegistryRow> rows;
    for (const std::string& key : created_) {
      bool hasValues = false;
      for (const RegistryRow& row : values_) {
        if (row.key == key) {
          rows.push_back(row);
          hasValues = true;
        }
      }
      // A key with no values of its own that unregistration removes: the
      // package makes it, and removes it with what is below it.
      if (!hasValues && Removed(key)) {
        rows.push_back({key, "*", false, ""});
      }
    }
    return rows;
  }

 private:
  // Whether unregistration removes the key, by itself or with a key above it.
  bool Removed(const std::string& key) const {
    for (size_t end = key.find('\\'); end != std::string::npos; end = key.find('\\', end + 1)) {
      if (removed_.count(key.substr(0, end)) != 0) {
        return true;
      }
    }
    return removed_.count(key) != 0;
  }

  // Only HKEY_CLASSES_ROOT: a per-machine package writes it below
  // HKLM\Software\Classes.
  static bool Note(RootKey root) { return root == RootKey::kClassesRoot; }

  Result Set(RootKey root, const RegistryRow& row) {
    if (!Note(root)) {
      return kEFail;
    }
    auto same = [&row](const RegistryRow& r) { return r.key == row.key && r.name == row.name; };
    values_.erase(std::remove_if(values_.begin(), values_.end(), same), values_.end());
    values_.push_back(row);
    return kSOk;
  }

  std::vector<std::string> created_;
  std::vector<RegistryRow> values_;
  std::set<std::string> removed_;
};

std::string Xml(const std::string& text) {
  std::string out;
  for (char c : text) {
    switch (c) {
      case '&':
        out += "&amp;";
        break;
      case '<':
        out += "&lt;";
        break;
      case '>':
        out += "&gt;";
        break;
      case '"':
        out += "&quot;";
        break;
      default:
        out += c;
    }
  }
  return out;
}

// Installer formatted text: brackets escaped, the stand-ins filled in.
std::string Formatted(const std::string& text, const std::string& module,
                      const std::string& folder) {
  std::string out;
  for (char c : text) {
    if (c == '[' || c == ']') {
      out += std::string("[\\") + c + "]";
    } else if (c == kModuleMark) {
      out += module;
    } else if (c == kFolderMark) {
      out += folder;
    } else {
      out += c;
    }
  }
  return out;
}

}  // namespace

std::vector<RegistryRow> RowsOf(const registrar::Script& script) {
  RecordingRegistry registry;
  if (!Succeeded(registrar::Register(script, registry))) {
    return {};
  }
  registry.StartUnregistering();
  registrar::Unregister(script, registry);
  return registry.Rows();
}

std::string RegistryElements(const std::vector<RegistryRow>& rows, const std::string& module,
                             const std::string& folder) {
  auto text = [&](const std::string& t) { return Xml(Formatted(t, module, folder)); };
  std::string out;
  for (const RegistryRow& row : rows) {
    out += "<RegistryValue Root=\"HKLM\" Key=\"Software\\Classes\\" + text(row.key) + "\"";
    if (row.name == "*") {
      out += " Name=\"*\"";
    } else if (!row.name.empty()) {
      out += " Name=\"" + text(row.name) + "\"";
    }
    out += std::string(" Type=\"") + (row.number ? "integer" : "string") + "\" Value=\"" +
           text(row.value) + "\"/>\n";
  }
  return out;
}

}  // namespace tamborix
