// Fuzz inputs read as scripts: fixed-size fields taken front to back, so that a seed
// written field by field (ScriptWriter) means the same to the target that reads it, and a
// mutation of one byte changes one field. Reading past the end yields zeros: every input
// is a complete script.
//
// Words are in the machine's byte order (the seeds are generated on the machine that runs
// the targets).
#pragma once

#include <cstddef>
#include <cstdint>
#include <cstring>
#include <string>
#include <vector>

class ScriptReader {
 public:
  ScriptReader(const uint8_t* data, size_t size) : m_next(data), m_left(data ? size : 0) {}

  bool Done() const { return m_left == 0; }
  size_t Left() const { return m_left; }

  uint8_t U8() { return Take<uint8_t>(); }
  uint16_t U16() { return Take<uint16_t>(); }
  int32_t I32() { return Take<int32_t>(); }
  int64_t I64() { return Take<int64_t>(); }
  float F32() { return Take<float>(); }
  double F64() { return Take<double>(); }
  // Up to n bytes; fewer when the input ends first.
  std::vector<uint8_t> Bytes(size_t n) {
    if (n > m_left) n = m_left;
    std::vector<uint8_t> out(m_next, m_next + n);
    m_next += n;
    m_left -= n;
    return out;
  }
  // A text of at most 255 bytes: its length byte, then the bytes.
  std::string Text() {
    const std::vector<uint8_t> bytes = Bytes(U8());
    return std::string(bytes.begin(), bytes.end());
  }

 private:
  template <class T>
  T Take() {
    unsigned char raw[sizeof(T)] = {};
    const size_t n = m_left < sizeof(T) ? m_left : sizeof(T);
    if (n) memcpy(raw, m_next, n);
    m_next += n;
    m_left -= n;
    T value;
    memcpy(&value, raw, sizeof(T));
    return value;
  }

  const uint8_t* m_next;
  size_t m_left;
};

class ScriptWriter {
 public:
  ScriptWriter& U8(uint8_t v) { return Put(v); }
  ScriptWriter& U16(uint16_t v) { return Put(v); }
  ScriptWriter& I32(int32_t v) { return Put(v); }
  ScriptWriter& I64(int64_t v) { return Put(v); }
  ScriptWriter& F32(float v) { return Put(v); }
  ScriptWriter& F64(double v) { return Put(v); }
  ScriptWriter& Bytes(const void* data, size_t n) {
    const uint8_t* p = static_cast<const uint8_t*>(data);
    m_bytes.insert(m_bytes.end(), p, p + n);
    return *this;
  }
  ScriptWriter& Text(const std::string& text) {
    const size_t n = text.size() < 255 ? text.size() : 255;
    U8(static_cast<uint8_t>(n));
    return Bytes(text.data(), n);
  }
  const std::vector<uint8_t>& Data() const { return m_bytes; }

 private:
  template <class T>
  ScriptWriter& Put(T v) {
    return Bytes(&v, sizeof(T));
  }

  std::vector<uint8_t> m_bytes;
};
