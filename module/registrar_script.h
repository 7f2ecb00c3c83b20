// The module's own registrar: reads a registry script in the usual registrar
// form and applies it to a registry through a narrow interface, so that the
// parser and the key rules run anywhere and only the last step touches the
// Windows registry.
//
// Script form:
//
//   HKCR
//   {
//     NoRemove CLSID
//     {
//       ForceRemove {guid} = s 'Name'
//       {
//         InprocServer32 = s '%MODULE%'
//         {
//           val ThreadingModel = s 'Apartment'
//         }
//       }
//     }
//   }
//
// Tokens are separated by white space; a quoted token is enclosed in single
// quotes, with '' standing for one quote. A key may be preceded by
// ForceRemove (deleted with its subtree before it is written, and on
// unregistration), NoRemove (never deleted itself) or Delete (deleted on
// registration, ignored on unregistration); without one it is a normal key,
// written on registration and deleted on unregistration when no other key
// is left below it. Values are `s 'text'` (string) or `d 'number'` (32-bit
// number, decimal or 0x hexadecimal). `%NAME%` in a name or a value is
// replaced by the variable NAME; `%%` stands for one percent sign.
#pragma once

#include <cstdint>
#include <map>
#include <string>
#include <vector>

#include "state/result_codes.h"

namespace tamborix {
namespace registrar {

enum class RootKey { kClassesRoot, kCurrentUser, kLocalMachine, kUsers };

enum class KeyRule { kNormal, kForceRemove, kNoRemove, kDelete };

struct Value {
  enum class Kind { kString, kNumber };
  std::string name;  // empty: the key's default value
  Kind kind = Kind::kString;
  std::string text;     // kString
  uint32_t number = 0;  // kNumber
};

struct Key {
  std::string name;
  KeyRule rule = KeyRule::kNormal;
  bool hasDefault = false;
  Value defaultValue;         // when hasDefault
  std::vector<Value> values;  // the `val` entries
  std::vector<Key> subkeys;
};

struct Root {
  RootKey root = RootKey::kClassesRoot;
  std::vector<Key> keys;
};

struct Script {
  std::vector<Root> roots;
};

struct ParseResult {
  bool ok = false;
  Script script;
  std::string error;  // what went wrong, with the line, when !ok
};

// Parses `text`, replacing %NAME% from `variables`.
ParseResult ParseScript(const std::string& text,
                        const std::map<std::string, std::string>& variables);

// The registry as the registrar sees it. Paths are below the root, with
// backslashes between the levels; names and data are UTF-8. Each call returns
// kSOk or the failure as a result code.
class RegistryEditor {
 public:
  virtual ~RegistryEditor() = default;
  // Creates the key (and the levels above it) or opens an existing one.
  virtual Result CreateKey(RootKey root, const std::string& path) = 0;
  virtual Result SetString(RootKey root, const std::string& path, const std::string& name,
                           const std::string& data) = 0;
  virtual Result SetNumber(RootKey root, const std::string& path, const std::string& name,
                           uint32_t data) = 0;
  // Deletes the key with its subtree; kSOk when there is no such key.
  virtual Result DeleteTree(RootKey root, const std::string& path) = 0;
  // Deletes the key when it has no subkeys; kSOk when it has some or when
  // there is no such key.
  virtual Result DeleteKeyIfLeaf(RootKey root, const std::string& path) = 0;
  // Deletes one value; kSOk when there is no such key or value.
  virtual Result DeleteValue(RootKey root, const std::string& path, const std::string& name) = 0;
};

// Writes the script's keys by their rules; stops at the first failure and
// returns it.
Result Register(const Script& script, RegistryEditor& registry);

// Removes the script's keys by their rules, trying every step whatever the
// one before gave; returns the first failure, or kSOk.
Result Unregister(const Script& script, RegistryEditor& registry);

}  // namespace registrar
}  // namespace tamborix
