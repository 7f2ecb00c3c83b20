// The page's named values, as the container hands them over.
#pragma once

#include <string>

#include "state/recorder_state.h"
#include "state/result_codes.h"

namespace tamborix {

class PropertyBag {
 public:
  virtual ~PropertyBag() = default;
  // Reads `key`. On success *isString tells whether the value is a string,
  // and *value holds it when it is. Returns the bag's own result.
  virtual Result Read(const std::u16string& key, WideString* value, bool* isString) = 0;
  // Writes `key` as a string value. Returns the bag's own result.
  virtual Result Write(const std::u16string& key, const WideString& value) = 0;
};

}  // namespace tamborix
