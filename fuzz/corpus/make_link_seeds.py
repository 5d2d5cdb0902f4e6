#!/usr/bin/env python3
"""Writes the seed inputs of the record reader and record describer fuzz targets: records framed as a
sonar link carries them, with valid checksums, alone, back to back, and mixed with garbage."""
import pathlib
import struct

HERE = pathlib.Path(__file__).resolve().parent


def record(record_type, body, device_id=7000, device_enum=0):
    size = 64 + len(body) + 4
    header = struct.pack("<HHIIII10sHIIHHIH14s", 5, 60, 0xFFFF, size, 0, 0, bytes(10), 1,
                         record_type, device_id, 0, device_enum, 0, 1, bytes(14))
    without_sum = header + body
    return without_sum + struct.pack("<I", sum(without_sum) & 0xFFFFFFFF)


def remote_control(control_id, payload=b""):
    return record(7500, struct.pack("<IIQ8s", control_id, control_id, 1, bytes(8)) + payload)


settings = struct.pack("<IHHffffIfffffffffIIQ", 12, 0, 1, 200000.0, 50.0, 200.0, 0.0001, 0, 30.0,
                       10.0, 0.0175, 0.0175, 0.0, 0.0, 60.0, 20.0, 1500.0, 0, 80, 0)
settings += bytes(256) + b"run_001.s7k".ljust(256, b"\0")
event = struct.pack("<IIHHH", 3, 0, 1, 18, 0) + b"Recording started\0"
samples = {
    "range_request": remote_control(1003, struct.pack("<f", 250.0)),
    "ping_settings": record(7000, settings),
    "event": record(7051, event),
    "absorption": record(7611, struct.pack("<f", 60.0)),
}
stream = b"noise" + samples["range_request"] + samples["ping_settings"] + b"\xff\xff\x00\x00" + samples["event"]

for name, data in samples.items():
    (HERE / "zq_record_text_fuzz" / name).write_bytes(data)
    # The reader target takes its first byte as the read size.
    (HERE / "zq_record_reader_fuzz" / name).write_bytes(b"\x05" + data)
(HERE / "zq_record_reader_fuzz" / "stream").write_bytes(b"\x40" + stream)
(HERE / "zq_record_reader_fuzz" / "stream_bytewise").write_bytes(b"\x00" + stream)
