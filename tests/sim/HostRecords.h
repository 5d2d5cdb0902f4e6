// Records as the host sends them to a simulated sonar's head 7000, written field by field.
#pragma once

#include <cstdint>
#include <cstring>
#include <span>
#include <string>

#include "platform/tavrin/LittleEndian.h"
#include "tests/platform/zq/ZqTestRecords.h"

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
