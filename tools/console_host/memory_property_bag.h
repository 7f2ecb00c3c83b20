// A property bag held in memory: the page's named values as the console host
// hands them to the control, and what the control writes back.
#pragma once

#include <map>
#include <string>

#include "control/property_bag.h"

namespace tamborix {

class MemoryPropertyBag : public PropertyBag {
 public:
  void Put(const std::u16string& key, const std::u16string& value) { values_[key] = value; }
  const std::map<std::u16string, std::u16string>& Values() const { return values_; }

  // A missing key answers E_INVALIDARG, as the browsers' bags do.
  Result Read(const std::u16string& key, WideString* value, bool* isString) override {
    const auto it = values_.find(key);
    if (it == values_.end()) {
      return kEInvalidArg;
    }
    *value = it->second;
    *isString = true;
    return kSOk;
  }

  Result Write(const std::u16string& key, const WideString& value) override {
    values_[key] = WideText(value);
    return kSOk;
  }

 private:
  std::map<std::u16string, std::u16string> values_;
};

}  // namespace tamborix
