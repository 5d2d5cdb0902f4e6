#!/usr/bin/env python3
"""Writes the seed inputs of the record decoder fuzz targets: whole records as a sonar sends them
(settings, configuration, BITE results, stored events, an event), with valid checksums."""
import pathlib
import struct

HERE = pathlib.Path(__file__).resolve().parent


def record(record_type, body, device_id=7000, device_enum=0):
    size = 64 + len(body) + 4
    header = struct.pack("<HHIIII10sHIIHHIH14s", 5, 60, 0xFFFF, size, 0, 0, bytes(10), 1,
                         record_type, device_id, 0, device_enum, 0, 1, bytes(14))
    without_sum = header + body
    return without_sum + struct.pack("<I", sum(without_sum) & 0xFFFFFFFF)


def settings(record_type, flags, range_m, file_name):
    body = struct.pack("<IHHffffIfffffffffIIQ", 12, 1, flags, 200000.0, range_m, 200.0, 0.0001, 0, 30.0,
                       10.0, 0.0175, 0.0175, -0.5, 0.25, 60.0, 20.0, 1500.0, 1, 80, 123456789)
    body += b"/data".ljust(256, b"\0") + file_name.ljust(256, b"\0")
    return record(record_type, body)


CONFIGURATION = b"""<ZqConfiguration>
  <HARDWARE>
    <Device name="TX1" id="36" available="1" angle="0" displayName="Projector 200/400">
      <Frequency>200000</Frequency>
      <Frequency>400000</Frequency>
    </Device>
    <Device name="RX1" id="40" available="1" angle="0"/>
  </HARDWARE>
  <TX1/>
  <RX1/>
  <BEAMMODES>
    <BeamMode number="0" maxCoverage="140" minAngle="-70" maxAngle="70"/>
    <BeamMode number="2" maxCoverage="90" minAngle="-45" maxAngle="45"/>
  </BEAMMODES>
  <SETTINGS>
    <SettingSet deviceEnum="0" centerFrequency="200000" chirp="1">
      <Range min="1" max="500" set="5 10 25 50 100 150 200 300 400 500"/>
      <Power min="0" max="220"/>
      <PulseLength min="0.000015" max="0.0005"/>
      <Gain min="1" max="83"/>
      <FixedGain available="1" min="0" max="40"/>
      <BeamWidth variable="1" list="0.5 1 2"/>
      <Steering minX="-30" maxX="30" minZ="-10" steerable="1"/>
      <PingRate max="50" ratio="1" freeRun="1"/>
    </SettingSet>
    <SettingSet deviceEnum="1" centerFrequency="400000" chirp="0">
      <Range min="1" max="150" set="5 10 25 50 100 150"/>
    </SettingSet>
  </SETTINGS>
</ZqConfiguration>"""


def configuration(xml, declared=None, terminated=True):
    text = xml + (b"\0" if terminated else b"")
    return record(7003, struct.pack("<II", 4711, len(xml) + 1 if declared is None else declared) + text)


def board(text, board_id, flags, fields):
    block = text.ljust(64, b"\0") + struct.pack("<B36sBH32s", board_id, bytes(36), flags, len(fields), bytes(32))
    for name, kind, lower, upper, value in fields:
        block += bytes(2) + name.ljust(64, b"\0") + struct.pack("<Bfff", kind, lower, upper, value)
    return block


def event_entry(event_type, number, text):
    text += b"\0"
    return struct.pack("<HI4sH10s", event_type, number, bytes(4), len(text), bytes(10)) + text


def event(event_type, number, text):
    text += b"\0"
    return record(7051, struct.pack("<I4sHH2s", number, bytes(4), event_type, len(text), bytes(2)) + text)


bite = struct.pack("<H", 2) + board(b"TX1 board", 36, 0, [(b"Voltage", 2, 11.5, 12.5, 12.0),
                                                           (b"Uptime", 1, 0.0, 0.0, 3600.0)])
bite += board(b"RX1 board", 40, 0b100, [(b"Temperature", 2, 0.0, 60.0, 71.0)])
events = bytes(8) + struct.pack("<I", 2) + event_entry(1, 1, b"Pinging started")
events += event_entry(2, 2, b"Range 600 clamped to 500")

SEEDS = {
    "zq_settings_decoder_fuzz": {
        "ping_settings": settings(7000, 0b0101, 50.0, b"run_001.s7k"),
        "settings_on_request": settings(7503, 0b1010, 70000.0, b""),
    },
    "zq_configuration_decoder_fuzz": {
        "configuration": configuration(CONFIGURATION),
        "unterminated": configuration(CONFIGURATION, declared=1 << 20, terminated=False),
    },
    "zq_message_records_fuzz": {
        "bite": record(7021, bite),
        "stored_events": record(7050, events),
        "event": event(2, 7, b"Gain 90 clamped to 83"),
    },
    # Texts in Latin-1 and in UTF-8, as sonars send them.
    "zq_sonar_text_fuzz": {
        "event_latin1": event(2, 8, b"Temperature 40\xb0C"),
        "event_utf8": event(1, 9, "Temp\u00e9rature 40\u00b0C \u20ac".encode()),
        "stored_events_latin1": record(7050, bytes(8) + struct.pack("<I", 2) + event_entry(1, 1, b"D\xe9marrage")
                                       + event_entry(2, 2, b"\xc0\xaf overlong")),
        "bite_latin1": record(7021, struct.pack("<H", 1) + board(b"Proj\xe9cteur", 36, 0,
                                                                  [(b"Temp\xe9rature", 2, 0.0, 60.0, 30.0)])),
        "settings_latin1": settings(7000, 0b1001, 50.0, b"r\xe9sum\xe9.s7k"),
        "configuration_latin1": configuration(CONFIGURATION.replace(b"Projector 200/400", b"Projecteur \xe9")),
    },
    # The system messages view: a byte choosing the record type (0 configuration, 1 BITE results, 2 stored
    # events, 3 an event; +0x0c leaves the size field as it is, +0x10 and +0x20 flip the event and BITE
    # pages' show-errors-only switches), then the record.
    "system_messages_record_fuzz": {
        "configuration": bytes([0]) + configuration(CONFIGURATION),
        "bite": bytes([1]) + record(7021, bite),
        "bite_errors_only": bytes([0x21]) + record(7021, bite),
        "bite_cut_short": bytes([0x0d]) + record(7021, bite)[:150],
        "stored_events": bytes([2]) + record(7050, events),
        "event_errors_only": bytes([0x13]) + event(3, 8, b"Recording to /data stopped: disk full"),
        "event_bite_warning": bytes([3]) + event(2, 9, b"WARNING: BITE error on board TX1: uplink"),
    },
}

for target, samples in SEEDS.items():
    folder = HERE / target
    folder.mkdir(exist_ok=True)
    for name, data in samples.items():
        (folder / name).write_bytes(data)
