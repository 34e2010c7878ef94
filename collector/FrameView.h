#pragma once
// Read-only view of one captured frame. Every read is checked against the captured
// length, so a classifier can never read beyond what the capture library delivered.
//
// A view may carry a synthetic header in front of the captured bytes: frames of links
// that deliver no Ethernet header are read through one, so every classifier sees the
// Ethernet layout.
#include <cstddef>
#include <cstdint>
#include <cstring>

namespace Velunor::Quillon {

class FrameView {
 public:
  FrameView(const std::uint8_t* data, std::size_t capturedLength,
            const std::uint8_t* prefix = nullptr, std::size_t prefixLength = 0)
      : m_data(data), m_capturedLength(data != nullptr ? capturedLength : 0),
        m_prefix(prefix), m_prefixLength(prefix != nullptr ? prefixLength : 0) {}

  // Bytes readable through the view, synthetic header included.
  std::size_t Length() const { return m_prefixLength + m_capturedLength; }

  bool Has(std::size_t offset, std::size_t count) const {
    return offset <= Length() && count <= Length() - offset;
  }

  // Copies count bytes starting at offset; false (and nothing copied) when they are not
  // all inside the frame.
  bool ReadBytes(std::size_t offset, std::uint8_t* out, std::size_t count) const {
    if (!Has(offset, count)) {
      return false;
    }
    // Most reads lie wholly in the captured bytes; this way they compile to one load.
    if (offset >= m_prefixLength) {
      if (count > 0) std::memcpy(out, m_data + (offset - m_prefixLength), count);
      return true;
    }
    const std::size_t fromPrefix = count < m_prefixLength - offset ? count : m_prefixLength - offset;
    std::memcpy(out, m_prefix + offset, fromPrefix);
    if (count > fromPrefix) std::memcpy(out + fromPrefix, m_data, count - fromPrefix);
    return true;
  }

  // A big-endian 16-bit protocol number.
  bool ReadU16(std::size_t offset, std::uint16_t& value) const {
    std::uint8_t bytes[2];
    if (!ReadBytes(offset, bytes, sizeof bytes)) {
      return false;
    }
    value = static_cast<std::uint16_t>((bytes[0] << 8) | bytes[1]);
    return true;
  }

  // Four bytes as stored (an IPv4 address stays in network byte order).
  bool ReadStored32(std::size_t offset, std::uint32_t& value) const {
    std::uint8_t bytes[4];
    if (!ReadBytes(offset, bytes, sizeof bytes)) {
      return false;
    }
    std::memcpy(&value, bytes, sizeof value);
    return true;
  }

 private:
  const std::uint8_t* m_data;
  std::size_t m_capturedLength;
  const std::uint8_t* m_prefix;
  std::size_t m_prefixLength;
};

}  // namespace Velunor::Quillon
