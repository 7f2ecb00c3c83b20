#include "tests/module/fake_registry.h"

namespace tamborix {

std::string FakeRegistry::Full(registrar::RootKey root, const std::string& path) {
  switch (root) {
    case registrar::RootKey::kClassesRoot:
      return "HKCR\\" + path;
    case registrar::RootKey::kCurrentUser:
      return "HKCU\\" + path;
    case registrar::RootKey::kLocalMachine:
      return "HKLM\\" + path;
    case registrar::RootKey::kUsers:
      return "HKU\\" + path;
  }
  return path;
}

bool FakeRegistry::Step(const std::string& what, Result* failure) {
  log_.push_back(what);
  if (failAt_ != 0 && log_.size() == failAt_) {
    *failure = failWith_;
    return false;
  }
  return true;
}

void FakeRegistry::Add(const std::string& fullPath, const std::string& name,
                       const std::string& data) {
  for (size_t at = fullPath.find('\\'); at != std::string::npos; at = fullPath.find('\\', at + 1)) {
    keys_[fullPath.substr(0, at)];
  }
  Values& values = keys_[fullPath];
  if (!name.empty() || !data.empty()) {
    values[name] = data;
  }
}

Result FakeRegistry::CreateKey(registrar::RootKey root, const std::string& path) {
  Result failure;
  if (!Step("create " + Full(root, path), &failure)) {
    return failure;
  }
  Add(Full(root, path));
  return kSOk;
}

Result FakeRegistry::SetString(registrar::RootKey root, const std::string& path,
                               const std::string& name, const std::string& data) {
  Result failure;
  if (!Step("set " + Full(root, path) + " [" + name + "]", &failure)) {
    return failure;
  }
  Add(Full(root, path));
  keys_[Full(root, path)][name] = data;
  return kSOk;
}

Result FakeRegistry::SetNumber(registrar::RootKey root, const std::string& path,
                               const std::string& name, uint32_t data) {
  return SetString(root, path, name, "dword:" + std::to_string(data));
}

std::set<std::string> FakeRegistry::Subtree(const std::string& fullPath) const {
  std::set<std::string> found;
  for (const auto& key : keys_) {
    if (key.first == fullPath || key.first.rfind(fullPath + "\\", 0) == 0) {
      found.insert(key.first);
    }
  }
  return found;
}

Result FakeRegistry::DeleteTree(registrar::RootKey root, const std::string& path) {
  Result failure;
  if (!Step("delete-tree " + Full(root, path), &failure)) {
    return failure;
  }
  for (const std::string& key : Subtree(Full(root, path))) {
    keys_.erase(key);
  }
  return kSOk;
}

Result FakeRegistry::DeleteKeyIfLeaf(registrar::RootKey root, const std::string& path) {
  Result failure;
  if (!Step("delete-leaf " + Full(root, path), &failure)) {
    return failure;
  }
  if (Subtree(Full(root, path)).size() == 1) {
    keys_.erase(Full(root, path));
  }
  return kSOk;
}

Result FakeRegistry::DeleteValue(registrar::RootKey root, const std::string& path,
                                 const std::string& name) {
  Result failure;
  if (!Step("delete-value " + Full(root, path) + " [" + name + "]", &failure)) {
    return failure;
  }
  const auto key = keys_.find(Full(root, path));
  if (key != keys_.end()) {
    key->second.erase(name);
  }
  return kSOk;
}

}  // namespace tamborix
