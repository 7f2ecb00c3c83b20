// An in-memory registry for the registrar's tests: keys by full path
// ("HKCR\CLSID\..."), each with its values.
#pragma once

#include <map>
#include <set>
#include <string>
#include <vector>

#include "module/registrar_script.h"

namespace tamborix {

class FakeRegistry : public registrar::RegistryEditor {
 public:
  // Values of one key: name ("" for the default) to data as text.
  using Values = std::map<std::string, std::string>;

  Result CreateKey(registrar::RootKey root, const std::string& path) override;
  Result SetString(registrar::RootKey root, const std::string& path, const std::string& name,
                   const std::string& data) override;
  Result SetNumber(registrar::RootKey root, const std::string& path, const std::string& name,
                   uint32_t data) override;
  Result DeleteTree(registrar::RootKey root, const std::string& path) override;
  Result DeleteKeyIfLeaf(registrar::RootKey root, const std::string& path) override;
  Result DeleteValue(registrar::RootKey root, const std::string& path,
                     const std::string& name) override;

  // Test side: full paths such as "HKCR\Tamborix.RecorderDialog".
  void Add(const std::string& fullPath, const std::string& name = "", const std::string& data = "");
  bool Has(const std::string& fullPath) const { return keys_.count(fullPath) != 0; }
  const Values& ValuesOf(const std::string& fullPath) const { return keys_.at(fullPath); }
  // Every key at or below `fullPath`.
  std::set<std::string> Subtree(const std::string& fullPath) const;
  // Calls that change the registry, in order ("create HKCR\X", "delete-tree HKCR\Y", ...).
  const std::vector<std::string>& log() const { return log_; }
  // The n-th changing call (counting from 1) fails with `result`.
  void FailCall(size_t n, Result result) {
    failAt_ = n;
    failWith_ = result;
  }

 private:
  static std::string Full(registrar::RootKey root, const std::string& path);
  bool Step(const std::string& what, Result* failure);

  std::map<std::string, Values> keys_;
  std::vector<std::string> log_;
  size_t failAt_ = 0;
  Result failWith_ = kSOk;
};

}  // namespace tamborix
