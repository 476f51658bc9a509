// xfile_tokens.cpp -- text and binary .x tokens
#include "platform/d3dx9/readers/xfile_tokens.h"

#include <cctype>
#include <cstring>

#include "platform/d3dx9/readers/file_bytes.h"

namespace d3dx9x {

namespace {

// Binary token codes of the .x format.
enum : uint16_t {
  kTokName = 1, kTokString = 2, kTokInteger = 3, kTokGuid = 5, kTokIntegerList = 6, kTokFloatList = 7,
  kTokOBrace = 10, kTokCBrace = 11, kTokComma = 19, kTokSemicolon = 20, kTokTemplate = 31,
};

bool IsNameChar(char c) {
  return std::isalnum(static_cast<unsigned char>(c)) || c == '_' || c == '-' || c == '.';
}

}  // namespace

XTokenizer::XTokenizer(const std::string& bytes, bool binary, bool doubles)
    : bytes_(bytes), binary_(binary), doubles_(doubles) {}

std::string XTokenizer::Where() const {
  return binary_ ? "byte " + std::to_string(tokenStart_) : "line " + std::to_string(tokenLine_);
}

bool XTokenizer::Next(XToken* token, std::string* error) {
  *token = XToken();
  return binary_ ? NextBinary(token, error) : NextText(token, error);
}

// ---- text ----

// Spaces, separators and comments ('//' and '#' to the end of the line). CR, LF and CR LF each
// end one line.
void XTokenizer::SkipTextSpace() {
  while (pos_ < bytes_.size()) {
    char c = bytes_[pos_];
    if (c == '\n' || c == '\r') {
      ++line_;
      pos_ += (c == '\r' && pos_ + 1 < bytes_.size() && bytes_[pos_ + 1] == '\n') ? 2 : 1;
    } else if (c == ' ' || c == '\t' || c == '\f' || c == '\v' || c == ';' || c == ',') {
      ++pos_;
    } else if (c == '#' || (c == '/' && pos_ + 1 < bytes_.size() && bytes_[pos_ + 1] == '/')) {
      while (pos_ < bytes_.size() && bytes_[pos_] != '\n' && bytes_[pos_] != '\r') ++pos_;
    } else {
      return;
    }
  }
}

bool XTokenizer::NextText(XToken* token, std::string* error) {
  SkipTextSpace();
  tokenStart_ = pos_;
  tokenLine_ = line_;
  if (pos_ >= bytes_.size()) return true;
  char c = bytes_[pos_];
  size_t start = pos_;
  if (c == '{' || c == '}') {
    ++pos_;
    token->kind = c == '{' ? XToken::kOpen : XToken::kClose;
    token->text = std::string(1, c);
  } else if (c == '"') {
    size_t close = bytes_.find('"', pos_ + 1);
    if (close == std::string::npos) {
      *error = "line " + std::to_string(line_) + ": a string is never closed";
      return false;
    }
    for (size_t i = pos_ + 1; i < close; ++i) {
      if (bytes_[i] == '\n' || bytes_[i] == '\r') ++line_;
    }
    token->kind = XToken::kString;
    token->text = bytes_.substr(pos_ + 1, close - pos_ - 1);
    pos_ = close + 1;
  } else if (c == '<') {  // a GUID: only templates and references hold one
    size_t close = bytes_.find('>', pos_);
    if (close == std::string::npos || close - pos_ > 64) {
      *error = "line " + std::to_string(line_) + ": a '<' is never closed by '>'";
      return false;
    }
    token->kind = XToken::kOther;
    token->text = bytes_.substr(pos_, close + 1 - pos_);
    pos_ = close + 1;
  } else if (std::isdigit(static_cast<unsigned char>(c)) || c == '-' || c == '+' || c == '.') {
    ++pos_;
    while (pos_ < bytes_.size() && (IsNameChar(bytes_[pos_]) || bytes_[pos_] == '+')) ++pos_;
    token->kind = XToken::kNumber;
    token->text = bytes_.substr(start, pos_ - start);
  } else if (std::isalpha(static_cast<unsigned char>(c)) || c == '_') {
    while (pos_ < bytes_.size() && IsNameChar(bytes_[pos_])) ++pos_;
    token->kind = XToken::kName;
    token->text = bytes_.substr(start, pos_ - start);
  } else {
    ++pos_;
    token->kind = XToken::kOther;
    token->text = std::string(1, c);
  }
  return true;
}

// ---- binary ----

bool XTokenizer::ReadU16(uint16_t* value) {
  if (bytes_.size() - pos_ < 2) return false;
  const auto* b = reinterpret_cast<const unsigned char*>(bytes_.data() + pos_);
  *value = static_cast<uint16_t>(b[0] | (b[1] << 8));
  pos_ += 2;
  return true;
}

bool XTokenizer::ReadU32(uint32_t* value) {
  if (bytes_.size() - pos_ < 4) return false;
  const auto* b = reinterpret_cast<const unsigned char*>(bytes_.data() + pos_);
  *value = static_cast<uint32_t>(b[0]) | (static_cast<uint32_t>(b[1]) << 8) | (static_cast<uint32_t>(b[2]) << 16) |
           (static_cast<uint32_t>(b[3]) << 24);
  pos_ += 4;
  return true;
}

bool XTokenizer::NextBinary(XToken* token, std::string* error) {
  for (;;) {
    tokenStart_ = pos_;
    if (listLeft_ > 0) {  // the next number of a list; its size was checked when the list began
      --listLeft_;
      token->kind = XToken::kNumber;
      token->binaryNumber = true;
      token->binaryFloat = listFloat_;
      if (!listFloat_) {
        ReadU32(&token->integer);
      } else if (doubles_) {
        std::memcpy(&token->real, bytes_.data() + pos_, 8);
        pos_ += 8;
      } else {
        float f;
        std::memcpy(&f, bytes_.data() + pos_, 4);
        pos_ += 4;
        token->real = f;
      }
      return true;
    }
    if (pos_ >= bytes_.size()) return true;
    uint16_t code;
    uint32_t count = 0;
    auto truncated = [&](const char* what) {
      *error = "byte " + std::to_string(tokenStart_) + ": the file ends inside " + what;
      return false;
    };
    if (!ReadU16(&code)) return truncated("a token");
    switch (code) {
      case kTokName:
      case kTokString:
        if (!ReadU32(&count)) return truncated("a name");
        if (count > BytesLeft()) return truncated(code == kTokName ? "a name" : "a string");
        token->kind = code == kTokName ? XToken::kName : XToken::kString;
        token->text = bytes_.substr(pos_, count);
        pos_ += count;
        return true;
      case kTokInteger:
        if (!ReadU32(&token->integer)) return truncated("an integer");
        token->kind = XToken::kNumber;
        token->binaryNumber = true;
        return true;
      case kTokGuid:
        if (BytesLeft() < 16) return truncated("a GUID");
        pos_ += 16;
        token->kind = XToken::kOther;
        token->text = "GUID";
        return true;
      case kTokIntegerList:
      case kTokFloatList: {
        if (!ReadU32(&count)) return truncated("a list");
        size_t each = code == kTokFloatList && doubles_ ? 8 : 4;
        if (count > BytesLeft() / each) {
          *error = "byte " + std::to_string(tokenStart_) + ": a list of " + std::to_string(count) +
                   " numbers is longer than the " + std::to_string(BytesLeft()) + " bytes left";
          return false;
        }
        listLeft_ = count;
        listFloat_ = code == kTokFloatList;
        continue;
      }
      case kTokOBrace:
      case kTokCBrace:
        token->kind = code == kTokOBrace ? XToken::kOpen : XToken::kClose;
        token->text = code == kTokOBrace ? "{" : "}";
        return true;
      case kTokComma:
      case kTokSemicolon:
        continue;
      case kTokTemplate:
        token->kind = XToken::kName;
        token->text = "template";
        return true;
      default:
        if ((code >= 12 && code <= 18) || (code >= 40 && code <= 52)) {  // punctuation and type words
          token->kind = XToken::kOther;
          token->text = "token " + std::to_string(code);
          return true;
        }
        *error = "byte " + std::to_string(tokenStart_) + ": " + std::to_string(code) + " is not a .x token";
        return false;
    }
  }
}

}  // namespace d3dx9x
