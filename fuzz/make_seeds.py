#!/usr/bin/env python3
# SPDX-License-Identifier: GPL-3.0-or-later
"""Writes the seed corpora in fuzz/corpus/: valid channel files, whole
sessions of every window as command streams for the receive handler, frames
of every area, texts the windows hold, and bursts for the simulated radio.

    python3 fuzz/make_seeds.py      # rewrites fuzz/corpus/*/seed-*
"""
import os
import struct

HERE = os.path.dirname(os.path.abspath(__file__))


def write(target, name, data):
    folder = os.path.join(HERE, 'corpus', target)
    os.makedirs(folder, exist_ok=True)
    if isinstance(data, str):
        data = data.encode('latin-1')
    with open(os.path.join(folder, 'seed-' + name), 'wb') as f:
        f.write(bytes(data))


def crc16(data):
    crc = 0xFFFF
    for b in data:
        crc ^= b
        for _ in range(8):
            crc = (crc >> 1) ^ 0xA001 if crc & 1 else crc >> 1
    return crc


def frame(area, block, payload=b'', checked=True):
    f = bytes([0x57, area, block, 0x20]) + bytes(payload)[:28].ljust(28, b'\0')
    if checked:
        c = crc16(f)
        f += bytes([c >> 8, c & 0xFF])
    return f


# A channel as the radio holds it: 145.5 MHz both ways, no tones, high
# power, wide, scan, 25 kHz step, DTMF keys 1 and 2, PTT ID off.
def channel_payload(hertz=145500000, tx=145500000, decode=0xFFFF, encode=0xFFFF):
    return (struct.pack('<iiHH', hertz, tx, decode, encode) + bytes([0xFF, 0xFF, 0xFF]) +
            struct.pack('<H', 25000) + bytes([1, 2, 0, 0, 0, 0, 1, 0, 0, 0, 0xFF]))


SETTINGS_PAYLOAD = bytes([1, 1, 0, 0, 0, 0, 0, 0, 0, 1, 3, 60, 2, 0, 0, 1])

# ---------------------------------------------------------------- channel files
CAPTIONS = ('"Ch No.","RX Freq","TX Freq","QT/DQT Dec",QT/DQTEnc,"TX Power",W/N,"Scan Add.","Step Freq",'
            'DTMF1,DTMF2,PTTID,Scrambler,"PTTID Typ","PTTID NO.",Compandor')
BOXES = ['NONE', '1', '0', '60', 'ENGLISH', 'NONE', 'NONE', 'OPEN', 'OPEN']


def channel_file(rows, boxes=BOXES, end='\r\n'):
    return end.join([CAPTIONS] + rows + boxes) + end


empty_rows = ['%d,,,,,,,,,,,,,,,' % ch for ch in range(1, 17)]
programmed = list(empty_rows)
programmed[0] = '1,145.50000,145.50000,NONE,NONE,HIGH,WIDE,YES,25000,NONE,NONE,NONE,NONE,DTMF,1,NONE'
programmed[1] = '2,433.02500,438.02500,67.0,023N,LOW,NARROW,NONE,12500,1,#,BOTH,3,5TONE,7,YES'
programmed[2] = '3,446.00625,446.00625,754I,254.1,HIGH,WIDE,YES,6250,D,*,EOT,NONE,FSK,255,NONE'
hand = list(programmed)
hand[3] = '4, 145.5 0 ,"a,""b""",  "open'
hand[4] = '5,"\t",\x01x,,'
write('fuzz_channel_file', 'empty-table.wh', channel_file(empty_rows))
write('fuzz_channel_file', 'programmed.wh', channel_file(programmed))
write('fuzz_channel_file', 'hand-edited.wh', channel_file(hand, ['5', '3', '9', 'CLOSE', 'CLOSE',
                                                                'H/L PowerSwitch', 'Monitor', 'CLOSE', 'CLOSE']))
# Edited by hand: an unquoted blank splits a field (17 fields, the last
# dropped), a short line leaves the rest of its row empty.
high_power = list(programmed)
high_power[4] = '5,145.50000,145.50000,NONE,NONE,HIGH POWER,WIDE,YES,25000,NONE,NONE,NONE,NONE,DTMF,1,NONE'
high_power[5] = '6,146.00000'
write('fuzz_channel_file', 'high-power.wh', channel_file(high_power))
write('fuzz_channel_file', 'lf-only.wh', channel_file(programmed, end='\n'))
write('fuzz_channel_file', 'short.wh', channel_file(programmed[:8], []))
write('fuzz_channel_file', 'long.wh', channel_file(programmed + ['extra,1', 'extra,2', 'extra,3', 'extra,4']))

# ------------------------------------------------------------ receive handler
# The command stream of fuzz_receive.cpp.
MAIN_READ, MAIN_WRITE, CHUNK, LONG_CHUNK, TICK_TIM1, RETRY, CANCEL, WINDOW_READ, WINDOW_WRITE, \
    TICK_TIMER1, CLOSE, SHOW_WINDOW, EDIT, EDIT_ANYWHERE, PORT_FAILS = range(15)
DTMF, TWO_TONE, FIVE_TONE, FLEET_SYNC = range(4)
ACK = bytes([0x06])


def chunk(data):
    data = bytes(data)
    if 1 <= len(data) <= 255:
        return bytes([CHUNK, len(data)]) + data
    return bytes([CHUNK, 0]) + struct.pack('<H', len(data) - 1) + data


def edit(window, field, text):
    text = text.encode('latin-1')
    return bytes([EDIT, window]) + struct.pack('<H', field) + bytes([len(text)]) + text


def main_read():
    s = bytes([MAIN_READ, TICK_TIM1]) + chunk(ACK)
    for ch in range(1, 17):
        s += chunk(frame(0, ch, channel_payload(145000000 + 12500 * ch)))
    return s + chunk(frame(5, 0, SETTINGS_PAYLOAD))


def main_write():
    return bytes([MAIN_WRITE]) + b''.join(chunk(ACK) for _ in range(18))


def window_read(window, area, blocks):
    s = bytes([WINDOW_READ, window])
    for b in range(blocks):
        s += chunk(frame(area, b, bytes(range(b, b + 28))))
    return s


def window_write(window, acks):
    return bytes([WINDOW_WRITE, window]) + b''.join(chunk(ACK) for _ in range(acks))


write('fuzz_receive', 'main-read', main_read())
write('fuzz_receive', 'main-write', main_write())
write('fuzz_receive', 'main-read-marked-and-wrong-block',
      bytes([MAIN_READ]) + chunk(ACK) + chunk(frame(0, 1, b'\0' + b'\x30')) + chunk(frame(0, 20)) +
      bytes([TICK_TIM1, RETRY]) + chunk(ACK) + bytes([CANCEL]))
write('fuzz_receive', 'main-write-bad-text-then-retry',
      bytes([MAIN_WRITE]) + edit(0, 16 + 1, '145.x') + chunk(ACK) + chunk(ACK) + bytes([RETRY]) +
      chunk(ACK) + bytes([CANCEL]))
write('fuzz_receive', 'dtmf-read-write', window_read(DTMF, 1, 4) + window_write(DTMF, 3))
write('fuzz_receive', 'two-tone-read-write', window_read(TWO_TONE, 3, 11) + window_write(TWO_TONE, 10))
write('fuzz_receive', 'five-tone-read-write', window_read(FIVE_TONE, 4, 17) + window_write(FIVE_TONE, 16))
write('fuzz_receive', 'fleet-sync-read-write', window_read(FLEET_SYNC, 2, 3) + window_write(FLEET_SYNC, 2))
write('fuzz_receive', 'two-windows-and-main-at-once',
      bytes([SHOW_WINDOW, WINDOW_READ, TWO_TONE, WINDOW_WRITE, FIVE_TONE, MAIN_READ]) + chunk(ACK) +
      chunk(frame(3, 0)) + chunk(frame(0, 16)) + chunk(ACK) + bytes([TICK_TIMER1, TWO_TONE, CLOSE, FIVE_TONE]) +
      chunk(frame(5, 0)))
write('fuzz_receive', 'time-outs-and-close',
      bytes([WINDOW_READ, DTMF, TICK_TIMER1, DTMF, WINDOW_WRITE, FLEET_SYNC, CLOSE, FLEET_SYNC,
             WINDOW_READ, FIVE_TONE, CLOSE, FIVE_TONE, EDIT_ANYWHERE, 17, 0xFF]))
write('fuzz_receive', 'edits-then-writes',
      edit(1, 10, '12345678*#') + edit(2, 8 + 32, 'AB') + edit(3, 0, 'ZVEI1') + edit(4, 5, '70000') +
      window_write(DTMF, 3) + window_write(TWO_TONE, 10) + window_write(FIVE_TONE, 16) + window_write(FLEET_SYNC, 2))
write('fuzz_receive', 'port-fails',
      bytes([PORT_FAILS, MAIN_READ, CANCEL, PORT_FAILS, MAIN_WRITE]) + chunk(ACK) + bytes([LONG_CHUNK]) +
      frame(0, 1)[:40].ljust(40, b'\0') + bytes([0, 0x57]))

# ------------------------------------------------------------------- blocks
write('fuzz_blocks', 'channel', frame(0, 1, channel_payload()))
write('fuzz_blocks', 'channel-tones', frame(0, 7, channel_payload(433025000, 0, 0x0297, 0xA0FE)))
write('fuzz_blocks', 'channel-empty', frame(0, 16, bytes(28)))
write('fuzz_blocks', 'settings', frame(5, 0, SETTINGS_PAYLOAD))
write('fuzz_blocks', 'dtmf-0', frame(1, 0, bytes([6, 0, 10, 0, 0, 0xFF, 0, 0, 0, 0, 0x78, 0x56, 0x34, 0x12,
                                                  0xFF, 10, 1, 0, 0, 8, 3, 3, 0, 0, 0, 0, 0, 0])))
write('fuzz_blocks', 'dtmf-1', frame(1, 1, struct.pack('<7I', 0x123, 0x4567, 0, 0xABCD, 1, 2, 3)))
write('fuzz_blocks', 'two-tone-0', frame(3, 0, struct.pack('<8H', 1981, 1124, 1197, 1275, 6000, 500, 500, 500) +
                                         bytes(4) + struct.pack('<4H', 1, 2, 3, 4)))
write('fuzz_blocks', 'two-tone-3', frame(3, 3, bytes([0xAB, 1, 5, 0xCD, 3, 9, 0, 0, 0, 0xBA, 2, 1] * 2)))
write('fuzz_blocks', 'five-tone-0', frame(4, 0, bytes([100, 0xA, 0xE] * 5 + [0] * 5 + [50, 50, 50, 50])))
write('fuzz_blocks', 'five-tone-1', frame(4, 1, bytes([0x45, 0x23, 0x01, 0x78, 0x56, 0x04, 0xDE, 0xBC, 0x0A,
                                                        0, 0, 0, 1, 0] * 2)))
write('fuzz_blocks', 'five-tone-9', frame(4, 9, bytes([0x21, 0x45, 0x23, 0x01, 0x78, 0x56, 0x04, 0x83, 0xDE,
                                                        0xBC, 0x0A, 0x89, 0x67, 0x05] * 2)))
write('fuzz_blocks', 'fleet-sync-0', frame(2, 0, struct.pack('<HHBHBB', 100, 1000, 24, 400, 10, 0xFF) +
                                           bytes(11) + struct.pack('<4H', 1, 2, 3, 4)))
write('fuzz_blocks', 'fleet-sync-1', frame(2, 1, struct.pack('<14H', *range(1, 15))))

# -------------------------------------------------------------------- texts
# A column byte (the cell typed into, 0 meaning none; 1 is channel numbers),
# then the text.
texts = [(2, '145.50000'), (2, '  433.025 '), (2, '999.99999'), (2, '1000'), (3, '446.00625'),
         (4, '67.0'), (4, '023N'), (5, '754I'), (5, '300.05'), (4, '23N'), (4, 'NONE'), (4, '5I'),
         (9, '25000'), (13, '$FF'), (13, '0x7FFFFFFF'), (15, '-2147483648'), (13, 'x10'),
         (1, '1E20'), (1, '1.5E-6'), (1, '.'), (1, '-0.000005'), (1, '123456789012345678'),
         (0, 'CCIR'), (0, 'ZVEI2'), (0, 'Off'), (0, '#'), (0, 'AB'), (0, 'DC'), (0, '12345'),
         (0, 'BE ASKED'), (0, '12345678*#ABCD0'), (0, 'H/L PowerSwitch'), (0, 'CHINESE'), (0, 'CLOSE')]
for i, (column, text) in enumerate(texts):
    write('fuzz_texts', '%02d' % i, bytes([column]) + text.encode('latin-1'))

# ---------------------------------------------------------------- radio sim
# Bursts: a header byte (length - 1, 0x40 for a pause before it), then the
# bytes; a first byte with bit 7 set is followed by the faults.
def burst(data, pause=True):
    data = bytes(data)
    out = b''
    while data:
        part, data = data[:64], data[64:]
        out += bytes([(len(part) - 1) | (0x40 if pause else 0)]) + part
        pause = False
    return out


session = burst(b'PROGRAM') + burst(b'R\x00\x01 ') + burst(frame(0, 1, channel_payload())) + \
    burst(b'R\x00\x01 ') + burst(frame(2, 1, checked=False)) + burst(b'R\x02\x01 ') + burst(ACK)
write('fuzz_radio_sim', 'session', session)
write('fuzz_radio_sim', 'resend-tails', burst(b'R\x05\x00 ' + bytes(30)) + burst(b'PROGRAM' + bytes(27)))
write('fuzz_radio_sim', 'split-and-junk', burst(b'ZZ' + frame(3, 2)[:20], pause=True) +
      burst(frame(3, 2)[20:], pause=False) + burst(b'PROGRAX') + burst(b'R\x09\x63 '))
write('fuzz_radio_sim', 'faults', bytes([0x80, 0x3E, 1, 2, 7, 3, 4, 5]) + session)
write('fuzz_radio_sim', 'hang-up', bytes([0x80, 0x40, 2]) + session)
