// Records built by hand: a sonar's for the decoder tests (zero frame header, type at byte 32, trailing
// four bytes zero: unchecked), and the host's to a simulated sonar's head 7000, field by field.
#pragma once

#include <bit>

#include <cstdint>
#include <cstring>
#include <span>
#include <string>
#include <string_view>

#include "platform/tavrin/LittleEndian.h"

namespace zqtest {

inline std::span<const std::byte> Bytes(const std::string& record) {
  return std::as_bytes(std::span(record.data(), record.size()));
}

inline std::string U16(std::uint16_t value) {
  return {static_cast<char>(value & 0xFF), static_cast<char>(value >> 8)};
}

inline std::string U32(std::uint32_t value) {
  return U16(static_cast<std::uint16_t>(value & 0xFFFF)) + U16(static_cast<std::uint16_t>(value >> 16));
}

inline std::string F32(float value) {
  return U32(std::bit_cast<std::uint32_t>(value));
}

inline std::string Record(std::uint32_t type, std::string_view data) {
  return std::string(32, '\0') + U32(type) + std::string(28, '\0') + std::string(data) + std::string(4, '\0');
}

// A configuration record: serial number 1234, the declared XML length, the text, and its zero if asked.
inline std::string ConfigurationRecord(std::string_view xml, std::uint32_t length, bool terminated = true) {
  return Record(7003, U32(1234) + U32(length) + std::string(xml) + (terminated ? std::string(1, '\0') : ""));
}

inline std::string ConfigurationRecord(std::string_view xml) {
  return ConfigurationRecord(xml, static_cast<std::uint32_t>(xml.size() + 1));
}

// A settings record (ping 7000, on request 7503) of 660 bytes, all zero but its range at byte 76.
inline std::string SettingsRecord(std::uint32_t type, float range = 0.0F) {
  return Record(type, std::string(12, '\0') + F32(range) + std::string(576, '\0'));
}

// The blocks of a BITE record (7021): a board without its fields, declaring fieldCount of them, and a
// field.
inline std::string BiteBoard(std::string_view text, char id, char flags, std::uint16_t fieldCount) {
  std::string padded(text);
  padded.resize(64, '\0');
  return padded + id + std::string(36, '\0') + flags + U16(fieldCount) + std::string(32, '\0');
}

inline std::string BiteField(std::string_view name, char kind, float lower, float upper, float value) {
  std::string padded(name);
  padded.resize(64, '\0');
  return std::string(2, '\0') + padded + kind + F32(lower) + F32(upper) + F32(value);
}

// An entry of a stored-events record (7050) with the text length declared and the text it holds.
inline std::string StoredEvent(std::uint16_t type, std::uint32_t number, std::string_view text,
                               std::uint16_t length) {
  return U16(type) + U32(number) + std::string(4, '\0') + U16(length) + std::string(10, '\0') +
         std::string(text);
}

// Hands a record to a device as its socket does.
template <typename Device>
void Process(Device& device, std::string record) {
  device.ProcessMessage(record.data(), static_cast<int>(record.size()));
}

}  // namespace zqtest

// Frame header (protocol 5, data offset 60, sync pattern, size, record version 1, type, device 7000,
// flags 1), the data section, and the trailer holding the sum of every byte before it.
inline std::string HostRecord(std::uint32_t type, const std::string& data) {
  std::string record(64 + data.size() + 4, '\0');
  const auto bytes = std::as_writable_bytes(std::span(record.data(), record.size()));
  le::PutU16(bytes, 0, 5);
  le::PutU16(bytes, 2, 60);
  le::PutU32(bytes, 4, 0xFFFF);
  le::PutU32(bytes, 8, static_cast<std::uint32_t>(record.size()));
  le::PutU16(bytes, 30, 1);
  le::PutU32(bytes, 32, type);
  le::PutU32(bytes, 36, 7000);
  le::PutU16(bytes, 48, 1);
  std::memcpy(record.data() + 64, data.data(), data.size());
  std::uint32_t sum = 0;
  for (std::size_t i = 0; i + 4 < record.size(); ++i) sum += static_cast<unsigned char>(record[i]);
  le::PutU32(bytes, record.size() - 4, sum);
  return record;
}

// A remote control: ID, ticket, tracking number, 8 zero bytes, payload.
inline std::string HostControl(std::uint32_t id, const std::string& payload = {}) {
  return HostRecord(7500, zqtest::U32(id) + zqtest::U32(id) + std::string(16, '\0') + payload);
}

// The record type of a record the head sends.
inline std::uint32_t TypeOf(const std::string& record) {
  return le::ByteReader(record).U32(32).value_or(0);
}
