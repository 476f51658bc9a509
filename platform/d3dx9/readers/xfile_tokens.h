// xfile_tokens.h -- the tokens of a .x file, text or binary, behind one interface
//
// The text and binary forms carry the same token stream: names, strings, numbers, braces and
// punctuation. Separators (';' and ',') are dropped here: the readers of the templates know how
// many numbers each member holds. Binary integer and float lists are handed out one number at a
// time from the file's bytes, so nothing is allocated for a count the file merely states.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>

namespace d3dx9x {

struct XToken {
  enum Kind { kEnd, kName, kString, kNumber, kOpen, kClose, kOther } kind = kEnd;
  std::string text;       // name, string, text number or what the punctuation was
  bool binaryNumber = false;
  bool binaryFloat = false;
  uint32_t integer = 0;   // binary integer
  double real = 0.0;      // binary float
};

class XTokenizer {
 public:
  // `bytes` is the whole file; the 16-byte header has been checked by the caller.
  XTokenizer(const std::string& bytes, bool binary, bool doubles);

  // The next token; false with *error set when the bytes do not make one.
  bool Next(XToken* token, std::string* error);
  // "line N" for text, "byte N" for binary: where the last token started.
  std::string Where() const;
  size_t BytesLeft() const { return bytes_.size() - pos_; }
  // The least bytes one number takes in this form: counts are checked against it.
  size_t BytesPerNumber() const { return binary_ ? 4 : 1; }

 private:
  bool NextText(XToken* token, std::string* error);
  bool NextBinary(XToken* token, std::string* error);
  bool ReadU16(uint16_t* value);
  bool ReadU32(uint32_t* value);
  void SkipTextSpace();

  const std::string& bytes_;
  bool binary_, doubles_;
  size_t pos_ = 16;
  size_t tokenStart_ = 16;
  int line_ = 1, tokenLine_ = 1;
  uint32_t listLeft_ = 0;  // numbers left in the binary list being read
  bool listFloat_ = false;
};

}  // namespace d3dx9x
