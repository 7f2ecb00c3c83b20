#include "module/registrar_script.h"

#include <cctype>
#include <utility>

namespace tamborix {
namespace registrar {
namespace {

struct Token {
  std::string text;
  bool quoted = false;
  int line = 0;
};

bool SameWord(const std::string& a, const char* b) {
  size_t i = 0;
  for (; i < a.size() && b[i] != '\0'; ++i) {
    if (std::tolower(static_cast<unsigned char>(a[i])) !=
        std::tolower(static_cast<unsigned char>(b[i]))) {
      return false;
    }
  }
  return i == a.size() && b[i] == '\0';
}

// Keys nest no deeper than this below their root; real scripts nest a
// handful deep, and the parser recurses once per level.
constexpr int kDeepestKey = 64;

bool IsSpace(char c) {
  return c == ' ' || c == '\t' || c == '\r' || c == '\n' || c == '\f';
}

class Parser {
 public:
  Parser(const std::string& text, const std::map<std::string, std::string>& variables)
      : variables_(variables) {
    Tokenize(text);
  }

  ParseResult Run() {
    ParseResult result;
    while (ok_ && pos_ < tokens_.size()) {
      Root root;
      const Token& name = tokens_[pos_++];
      if (name.quoted || !ToRoot(name.text, &root.root)) {
        Error(name, "unknown root key '" + name.text + "'");
        break;
      }
      if (!ExpectBare("{", "after the root key")) {
        break;
      }
      if (!ParseKeys(nullptr, 1, &root.keys)) {
        break;
      }
      result.script.roots.push_back(std::move(root));
    }
    result.ok = ok_;
    result.error = error_;
    if (!ok_) {
      result.script = Script();
    }
    return result;
  }

 private:
  void Tokenize(const std::string& text) {
    int line = 1;
    size_t i = 0;
    while (i < text.size() && ok_) {
      const char c = text[i];
      if (IsSpace(c)) {
        line += c == '\n' ? 1 : 0;
        ++i;
        continue;
      }
      Token token;
      token.line = line;
      if (c == '\'') {
        token.quoted = true;
        ++i;
        for (;;) {
          if (i >= text.size()) {
            error_ = "line " + std::to_string(token.line) + ": unterminated quoted text";
            ok_ = false;
            return;
          }
          if (text[i] == '\'') {
            if (i + 1 < text.size() && text[i + 1] == '\'') {
              token.text += '\'';
              i += 2;
              continue;
            }
            ++i;
            break;
          }
          line += text[i] == '\n' ? 1 : 0;
          token.text += text[i++];
        }
      } else {
        while (i < text.size() && !IsSpace(text[i])) {
          token.text += text[i++];
        }
      }
      tokens_.push_back(std::move(token));
    }
  }

  static bool ToRoot(const std::string& name, RootKey* root) {
    if (SameWord(name, "HKCR") || SameWord(name, "HKEY_CLASSES_ROOT")) {
      *root = RootKey::kClassesRoot;
    } else if (SameWord(name, "HKCU") || SameWord(name, "HKEY_CURRENT_USER")) {
      *root = RootKey::kCurrentUser;
    } else if (SameWord(name, "HKLM") || SameWord(name, "HKEY_LOCAL_MACHINE")) {
      *root = RootKey::kLocalMachine;
    } else if (SameWord(name, "HKU") || SameWord(name, "HKEY_USERS")) {
      *root = RootKey::kUsers;
    } else {
      return false;
    }
    return true;
  }

  bool Error(const Token& at, const std::string& what) {
    if (ok_) {
      error_ = "line " + std::to_string(at.line) + ": " + what;
      ok_ = false;
    }
    return false;
  }

  bool AtEnd() {
    if (pos_ < tokens_.size()) {
      return false;
    }
    if (ok_) {
      error_ = "unexpected end of the script";
      ok_ = false;
    }
    return true;
  }

  bool IsBare(const char* word) const {
    return pos_ < tokens_.size() && !tokens_[pos_].quoted && tokens_[pos_].text == word;
  }

  bool ExpectBare(const char* word, const char* where) {
    if (AtEnd()) {
      return false;
    }
    if (!IsBare(word)) {
      return Error(tokens_[pos_], std::string("expected '") + word + "' " + where);
    }
    ++pos_;
    return true;
  }

  // Replaces %NAME% by its variable and %% by %.
  bool Substitute(const Token& token, std::string* out) {
    out->clear();
    const std::string& text = token.text;
    for (size_t i = 0; i < text.size(); ++i) {
      if (text[i] != '%') {
        *out += text[i];
        continue;
      }
      const size_t end = text.find('%', i + 1);
      if (end == std::string::npos) {
        return Error(token, "'%' without its closing '%'");
      }
      if (end == i + 1) {
        *out += '%';
      } else {
        const std::string name = text.substr(i + 1, end - i - 1);
        const auto found = variables_.find(name);
        if (found == variables_.end()) {
          return Error(token, "unknown variable %" + name + "%");
        }
        *out += found->second;
      }
      i = end;
    }
    return true;
  }

  bool ParseName(std::string* name) {
    if (AtEnd()) {
      return false;
    }
    const Token& token = tokens_[pos_++];
    if (!token.quoted && (token.text == "{" || token.text == "}" || token.text == "=")) {
      return Error(token, "expected a name, found '" + token.text + "'");
    }
    if (!Substitute(token, name)) {
      return false;
    }
    if (name->empty() || name->find('\\') != std::string::npos) {
      return Error(token, "a name must be one non-empty level: '" + *name + "'");
    }
    return true;
  }

  static bool ParseNumber(const std::string& text, uint32_t* number) {
    if (text.empty()) {
      return false;
    }
    int base = 10;
    size_t i = 0;
    if (text.size() > 2 && text[0] == '0' && (text[1] == 'x' || text[1] == 'X')) {
      base = 16;
      i = 2;
    }
    uint64_t value = 0;
    for (; i < text.size(); ++i) {
      const char c = static_cast<char>(std::tolower(static_cast<unsigned char>(text[i])));
      int digit;
      if (c >= '0' && c <= '9') {
        digit = c - '0';
      } else if (base == 16 && c >= 'a' && c <= 'f') {
        digit = c - 'a' + 10;
      } else {
        return false;
      }
      value = value * base + digit;
      if (value > 0xFFFFFFFFull) {
        return false;
      }
    }
    *number = static_cast<uint32_t>(value);
    return true;
  }

  // `s 'text'` or `d 'number'`.
  bool ParseValue(Value* value) {
    if (AtEnd()) {
      return false;
    }
    const Token& kind = tokens_[pos_++];
    if (kind.quoted || (!SameWord(kind.text, "s") && !SameWord(kind.text, "d"))) {
      return Error(kind, "unsupported value type '" + kind.text + "' (s or d)");
    }
    if (AtEnd()) {
      return false;
    }
    const Token& data = tokens_[pos_++];
    if (SameWord(kind.text, "s")) {
      value->kind = Value::Kind::kString;
      return Substitute(data, &value->text);
    }
    value->kind = Value::Kind::kNumber;
    std::string text;
    if (!Substitute(data, &text)) {
      return false;
    }
    if (!ParseNumber(text, &value->number)) {
      return Error(data, "not a 32-bit number: '" + text + "'");
    }
    return true;
  }

  // Reads entries up to and including the closing brace; the keys read are
  // `depth` levels below the root.
  bool ParseKeys(Key* parent, int depth, std::vector<Key>* keys) {
    for (;;) {
      if (AtEnd()) {
        return false;
      }
      if (IsBare("}")) {
        ++pos_;
        return true;
      }
      const Token& first = tokens_[pos_];
      if (!first.quoted && SameWord(first.text, "val")) {
        ++pos_;
        if (parent == nullptr) {
          return Error(first, "'val' outside a key");
        }
        Value value;
        if (!ParseName(&value.name) || !ExpectBare("=", "after a value name") ||
            !ParseValue(&value)) {
          return false;
        }
        parent->values.push_back(std::move(value));
        continue;
      }
      Key key;
      if (!first.quoted) {
        if (SameWord(first.text, "ForceRemove")) {
          key.rule = KeyRule::kForceRemove;
        } else if (SameWord(first.text, "NoRemove")) {
          key.rule = KeyRule::kNoRemove;
        } else if (SameWord(first.text, "Delete")) {
          key.rule = KeyRule::kDelete;
        }
        if (key.rule != KeyRule::kNormal) {
          ++pos_;
        }
      }
      if (!ParseName(&key.name)) {
        return false;
      }
      if (IsBare("=")) {
        ++pos_;
        key.hasDefault = true;
        if (!ParseValue(&key.defaultValue)) {
          return false;
        }
      }
      if (IsBare("{")) {
        if (depth == kDeepestKey) {
          return Error(tokens_[pos_], "keys nested too deeply (more than " +
                                          std::to_string(kDeepestKey) + " levels)");
        }
        ++pos_;
        if (!ParseKeys(&key, depth + 1, &key.subkeys)) {
          return false;
        }
      }
      keys->push_back(std::move(key));
    }
  }

  const std::map<std::string, std::string>& variables_;
  std::vector<Token> tokens_;
  size_t pos_ = 0;
  bool ok_ = true;
  std::string error_;
};

std::string Join(const std::string& parent, const std::string& name) {
  return parent.empty() ? name : parent + "\\" + name;
}

Result SetValue(RegistryEditor& registry, RootKey root, const std::string& path,
                const Value& value) {
  return value.kind == Value::Kind::kString
             ? registry.SetString(root, path, value.name, value.text)
             : registry.SetNumber(root, path, value.name, value.number);
}

Result RegisterKey(RegistryEditor& registry, RootKey root, const std::string& parent,
                   const Key& key) {
  const std::string path = Join(parent, key.name);
  if (key.rule == KeyRule::kDelete) {
    return registry.DeleteTree(root, path);
  }
  if (key.rule == KeyRule::kForceRemove) {
    const Result removed = registry.DeleteTree(root, path);
    if (!Succeeded(removed)) {
      return removed;
    }
  }
  Result result = registry.CreateKey(root, path);
  if (Succeeded(result) && key.hasDefault) {
    result = SetValue(registry, root, path, key.defaultValue);
  }
  for (size_t i = 0; Succeeded(result) && i < key.values.size(); ++i) {
    result = SetValue(registry, root, path, key.values[i]);
  }
  for (size_t i = 0; Succeeded(result) && i < key.subkeys.size(); ++i) {
    result = RegisterKey(registry, root, path, key.subkeys[i]);
  }
  return result;
}

Result UnregisterKey(RegistryEditor& registry, RootKey root, const std::string& parent,
                     const Key& key) {
  const std::string path = Join(parent, key.name);
  if (key.rule == KeyRule::kDelete) {
    return kSOk;
  }
  if (key.rule == KeyRule::kForceRemove) {
    return registry.DeleteTree(root, path);
  }
  Result first = kSOk;
  auto note = [&first](Result r) {
    if (Succeeded(first) && !Succeeded(r)) {
      first = r;
    }
  };
  for (const Key& sub : key.subkeys) {
    note(UnregisterKey(registry, root, path, sub));
  }
  for (const Value& value : key.values) {
    note(registry.DeleteValue(root, path, value.name));
  }
  if (key.rule == KeyRule::kNormal) {
    note(registry.DeleteKeyIfLeaf(root, path));
  }
  return first;
}

}  // namespace

ParseResult ParseScript(const std::string& text,
                        const std::map<std::string, std::string>& variables) {
  return Parser(text, variables).Run();
}

Result Register(const Script& script, RegistryEditor& registry) {
  for (const Root& root : script.roots) {
    for (const Key& key : root.keys) {
      const Result result = RegisterKey(registry, root.root, std::string(), key);
      if (!Succeeded(result)) {
        return result;
      }
    }
  }
  return kSOk;
}

Result Unregister(const Script& script, RegistryEditor& registry) {
  Result first = kSOk;
  for (const Root& root : script.roots) {
    for (const Key& key : root.keys) {
      const Result result = UnregisterKey(registry, root.root, std::string(), key);
      if (Succeeded(first) && !Succeeded(result)) {
        first = result;
      }
    }
  }
  return first;
}

}  // namespace registrar
}  // namespace tamborix
