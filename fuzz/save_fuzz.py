#!/usr/bin/python3
"""Saves mutated real files with tagmint-cli and checks what each save did.

Every mutant starts from a fixture of tests/data (MP3, MP4, WAV, AIFF, FLAC,
Ogg, WavPack, TrueAudio, WMA) and gets one mutation: flipped bits, a cut, a
size field (atom, chunk, metadata block, ID3v2 tag or frame, APE item or
tag, ASF object) set to 0, 1, 0x7FFFFFFF or 0xFFFFFFFF (0xFFFFFF and
0x7FFFFF for 24-bit fields), or an atom, chunk, block, frame, item or object
duplicated (with and without its parents' sizes following). Then
"tagmint-cli set" writes a title and a comment into it, with a time limit.

Promises checked per mutant:
  - no crash and no hang;
  - "could not be saved" leaves every byte as it was;
  - "saved" keeps every audio packet (ffprobe's MD5 of each), the file stays
    readable by mutagen when it was before, and tagmint reads the new title.

Usage:
    save_fuzz.py --cli PATH [--seconds N | --mutants N] [--seed N] [--keep DIR]

Prints a summary; each finding's input is kept in --keep. Exit status 1
when a promise was broken.
"""

import argparse
import collections
import json
import os
import random
import struct
import subprocess
import sys
import tempfile
import time

import mutagen

HERE = os.path.dirname(os.path.abspath(__file__))
DATA = os.path.join(HERE, '..', 'tests', 'data')
SOURCES = ['plain.mp3', 'tagged_v24.mp3', 'tagged_v23_v1.mp3', 'plain.m4a', 'tagged.m4a',
           'plain.wav', 'info.wav', 'id3_info.wav', 'plain.aiff', 'tagged.aiff',
           'plain.flac', 'tagged.flac', 'flac_with_id3.flac', 'tagged.ogg', 'tagged.opus', 'tagged.oga',
           'tagged.spx', 'tagged.wv', 'tagged.tta', 'tagged.wma']
VALUES_32 = [0, 1, 0x7FFFFFFF, 0xFFFFFFFF]
VALUES_24 = [0, 1, 0x7FFFFF, 0xFFFFFF]
MP4_CONTAINERS = {b'moov', b'trak', b'mdia', b'minf', b'stbl', b'udta', b'edts', b'dinf',
                  b'mvex', b'moof', b'traf', b'mfra', b'ilst'}
TITLE = 'Fuzzed title ' + 'x' * 2000
SAVE_SECONDS = 20


# --- Where the size fields and the duplicable parts of each format are ---

class Part:
    """A stretch of the file (atom, chunk, block, frame), its size field,
    and the size fields of the parts that hold it."""

    def __init__(self, start, end, field, width, order, parents):
        self.start, self.end = start, end
        self.field, self.width, self.order = field, width, order
        self.parents = parents      # (field offset, width, byte order) of each holder


def mp4_parts(data, start=0, end=None, parents=()):
    end = len(data) if end is None else end
    parts = []
    while start + 8 <= end:
        size, name = struct.unpack_from('>I4s', data, start)
        header = 8
        if size == 1 and start + 16 <= end:
            size, header = struct.unpack_from('>Q', data, start + 8)[0], 16
        elif size == 0:
            size = end - start
        if size < header or start + size > end:
            break
        field = (start, 4, '>') if header == 8 else (start + 8, 8, '>')
        parts.append(Part(start, start + size, field[0], field[1], '>', parents))
        if name in MP4_CONTAINERS or name == b'meta':
            skip = 4 if name == b'meta' else 0
            parts += mp4_parts(data, start + header + skip, start + size, parents + (field,))
        start += size
    return parts


def chunk_parts(data, order):
    parts = []
    holder = ((4, 4, order),)
    parts.append(Part(0, len(data), 4, 4, order, ()))
    at = 12
    while at + 8 <= len(data):
        size = struct.unpack_from(order + 'I', data, at + 4)[0]
        stop = min(len(data), at + 8 + size + (size & 1))
        parts.append(Part(at, stop, at + 4, 4, order, holder))
        at = at + 8 + size + (size & 1)
    return parts


def id3_size(data, at):
    b = data[at + 6:at + 10]
    return (b[0] << 21) | (b[1] << 14) | (b[2] << 7) | b[3]


def flac_parts(data):
    at = 10 + id3_size(data, 0) if data[:3] == b'ID3' else 0
    if data[at:at + 4] != b'fLaC':
        return []
    at += 4
    parts = []
    while at + 4 <= len(data):
        length = int.from_bytes(data[at + 1:at + 4], 'big')
        parts.append(Part(at, min(len(data), at + 4 + length), at + 1, 3, '>', ()))
        if data[at] & 0x80:
            break
        at += 4 + length
    return parts


def mp3_parts(data):
    if data[:3] != b'ID3':
        return []
    parts = [Part(0, 10 + id3_size(data, 0), 6, 4, 'syncsafe', ())]
    at, end = 10, 10 + id3_size(data, 0)
    while at + 10 <= min(end, len(data)) and data[at:at + 4].isalnum():
        size = struct.unpack_from('>I', data, at + 4)[0]
        if data[3] == 4:
            size = id3_size(data, at - 2)
        parts.append(Part(at, min(len(data), at + 10 + size), at + 4, 4, '>', ((6, 4, 'syncsafe'),)))
        at += 10 + size
    return parts


def ape_parts(data):
    """The items of an APE tag at the end, each sized by its value length;
    the footer's and header's tag sizes hold them."""
    footer = len(data) - 32
    if footer < 0 or data[footer:footer + 8] != b'APETAGEX':
        return []
    size, count = struct.unpack_from('<II', data, footer + 12)
    header = footer + 32 - size - 32
    holders = ((footer + 12, 4, '<'),)
    if header >= 0 and data[header:header + 8] == b'APETAGEX':
        holders += ((header + 12, 4, '<'),)
    parts = [Part(footer, len(data), footer + 12, 4, '<', ())]
    at = header + 32
    for _ in range(count):
        if at + 8 > footer:
            break
        length = struct.unpack_from('<I', data, at)[0]
        key_end = data.find(b'\0', at + 8, footer)
        if key_end < 0:
            break
        end = min(footer, key_end + 1 + length)
        parts.append(Part(at, end, at, 4, '<', holders))
        at = end
    return parts


def asf_parts(data, start=0, end=None, parents=()):
    """ASF objects: the header's children within it, then the data object
    and indexes."""
    end = len(data) if end is None else end
    parts = []
    while start + 24 <= end:
        size = struct.unpack_from('<Q', data, start + 16)[0]
        if size < 24 or start + size > end:
            break
        parts.append(Part(start, start + size, start + 16, 8, '<', parents))
        if start == 0:
            parts += asf_parts(data, 30, size, ((16, 8, '<'),))
        start += size
    return parts


def parts_of(name, data):
    kind = name.rsplit('.', 1)[1]
    if kind == 'wv':
        return ape_parts(data)
    if kind == 'wma':
        return asf_parts(data)
    if kind in ('ogg', 'opus', 'oga', 'spx'):
        return []
    if kind == 'm4a':
        return mp4_parts(data)
    if kind == 'wav':
        return chunk_parts(data, '<')
    if kind == 'aiff':
        return chunk_parts(data, '>')
    if kind == 'flac':
        return flac_parts(data)
    return mp3_parts(data)


def put(data, offset, width, order, value):
    if order == 'syncsafe':
        value &= 0x0FFFFFFF
        data[offset:offset + 4] = bytes((value >> s) & 0x7F for s in (21, 14, 7, 0))
    else:
        data[offset:offset + width] = (value & ((1 << 8 * width) - 1)).to_bytes(
            width, 'big' if order == '>' else 'little')


def get(data, offset, width, order):
    if order == 'syncsafe':
        return id3_size(data, offset - 6)
    return int.from_bytes(data[offset:offset + width], 'big' if order == '>' else 'little')


# --- Mutations: each returns (description, mutant) ---

def flip_bits(rng, name, data):
    mutant = bytearray(data)
    count = rng.randint(1, 8)
    for _ in range(count):
        at = rng.randrange(len(mutant))
        mutant[at] ^= 1 << rng.randrange(8)
    return f'{count} bits flipped', mutant


def truncate(rng, name, data):
    at = rng.randrange(1, len(data))
    return f'cut at {at}', bytearray(data[:at])


def size_field(rng, name, data):
    parts = parts_of(name, data)
    if not parts:
        return flip_bits(rng, name, data)
    part = rng.choice(parts)
    value = rng.choice(VALUES_24 if part.width == 3 else VALUES_32)
    mutant = bytearray(data)
    put(mutant, part.field, part.width, part.order, value)
    return f'size at {part.field} = {value:#x}', mutant


def duplicate(rng, name, data):
    parts = [p for p in parts_of(name, data) if p.start > 0 and p.end > p.start]
    if not parts:
        return truncate(rng, name, data)
    part = rng.choice(parts)
    copy = data[part.start:part.end]
    mutant = bytearray(data[:part.end] + copy + data[part.end:])
    follow = rng.random() < 0.5
    if follow:
        for field, width, order in part.parents:
            put(mutant, field, width, order, get(mutant, field, width, order) + len(copy))
    if name.endswith('.flac') and mutant[part.start] & 0x80:
        mutant[part.start] &= 0x7F          # the copy is the last block now
    return f'{len(copy)} bytes at {part.start} duplicated{", sizes follow" if follow else ""}', mutant


MUTATIONS = [flip_bits, truncate, size_field, duplicate]


# --- One save and its checks ---

def audio_packets(path):
    """(offset, size, MD5) of every audio packet as ffprobe reads them; None
    when ffprobe fails. ffmpeg counts a trailing ID3v1 tag into the last
    packet of some formats (FLAC, a cut MP3 frame), so the packets are read
    from a copy without it."""
    data = open(path, 'rb').read()
    if len(data) >= 128 and data[-128:-125] == b'TAG':
        data = data[:-128]
    bare = path + '.bare.' + path.rsplit('.', 1)[1]
    with open(bare, 'wb') as f:
        f.write(data)
    try:
        result = subprocess.run(['ffprobe', '-v', 'error', '-select_streams', 'a:0', '-show_data_hash', 'md5',
                                 '-show_entries', 'packet=pos,size,data_hash', '-of', 'json', bare],
                                capture_output=True, timeout=30)
        packets = json.loads(result.stdout or b'{}').get('packets', [])
    except (subprocess.TimeoutExpired, ValueError):
        return None
    finally:
        os.remove(bare)
    if result.returncode != 0 or not packets:
        return None
    return [(int(p.get('pos', -1)), int(p.get('size', 0)), p.get('data_hash')) for p in packets]


def media_data(path):
    """The payload ranges of an MP4 file's top-level "mdat" atoms; None for
    other formats, whose audio is whatever the reader takes."""
    if not path.endswith('.m4a'):
        return None
    data = open(path, 'rb').read()
    ranges, at = [], 0
    while at + 8 <= len(data):
        size, name = struct.unpack_from('>I4s', data, at)
        header = 8
        if size == 1 and at + 16 <= len(data):
            size, header = struct.unpack_from('>Q', data, at + 8)[0], 16
        elif size == 0:
            size = len(data) - at
        if size < header:
            break
        if name == b'mdat':
            ranges.append((at + header, at + size))
        at += size
    return ranges


def packets_kept(before, after, ranges):
    """Every packet read before the save reads the same after it. A packet
    of an MP4 file reaching out of the media data (a damaged sample table)
    reads bytes of the movie, which a save rewrites: it does not count."""
    if after is None or len(after) < len(before):
        return False
    for (pos, size, digest), (_, size_after, digest_after) in zip(before, after):
        if ranges is not None and not any(start <= pos and pos + size <= end for start, end in ranges):
            continue
        if (size, digest) != (size_after, digest_after):
            return False
    return True


def mutagen_reads(path):
    try:
        return mutagen.File(path) is not None
    except Exception:
        return False


def tagmint_title(cli, path):
    result = subprocess.run([cli, 'show', '--json', path], capture_output=True, timeout=SAVE_SECONDS)
    lines = result.stdout.decode(errors='replace').splitlines()
    return json.loads(lines[0]).get('title') if lines else None


def check_save(cli, path):
    """Saves the file; returns (outcome, broken promise or None)."""
    before = open(path, 'rb').read()
    packets = audio_packets(path)
    ranges = media_data(path)
    readable = mutagen_reads(path)
    try:
        result = subprocess.run([cli, 'set', 'title=' + TITLE, 'comment=fuzz', '--', path],
                                capture_output=True, timeout=SAVE_SECONDS)
    except subprocess.TimeoutExpired:
        return 'hang', f'no answer within {SAVE_SECONDS} s'
    if result.returncode < 0:
        return 'crash', f'signal {-result.returncode}'
    out = result.stdout.decode(errors='replace')
    after = open(path, 'rb').read()
    if 'could not be saved' in out or result.returncode != 0:
        if after != before:
            return 'not saved', 'the bytes changed although the save failed'
        return 'not saved', None
    if ': saved' not in out:
        return 'other', f'unexpected answer: {out.strip()}'
    if packets is not None and not packets_kept(packets, audio_packets(path), ranges):
        return 'saved', 'the audio packets changed'
    if readable and not mutagen_reads(path):
        return 'saved', 'mutagen cannot read the saved file'
    if tagmint_title(cli, path) != TITLE:
        return 'saved', 'the saved title does not read back'
    return 'saved', None


def main():
    parser = argparse.ArgumentParser(description=__doc__.split('\n')[0])
    parser.add_argument('--cli', required=True)
    parser.add_argument('--seconds', type=float, default=0)
    parser.add_argument('--mutants', type=int, default=0)
    parser.add_argument('--seed', type=int, default=int(time.time()))
    parser.add_argument('--keep', default=os.path.join(HERE, '..', 'build-fuzz', 'findings', 'save'))
    args = parser.parse_args()
    if not args.seconds and not args.mutants:
        parser.error('give --seconds or --mutants')

    rng = random.Random(args.seed)
    sources = {name: open(os.path.join(DATA, name), 'rb').read() for name in SOURCES}
    outcomes = collections.Counter()
    findings = []
    started = time.monotonic()
    done = 0
    with tempfile.TemporaryDirectory() as scratch:
        while True:
            if args.mutants and done >= args.mutants:
                break
            if args.seconds and time.monotonic() - started >= args.seconds:
                break
            name = rng.choice(SOURCES)
            mutation = rng.choice(MUTATIONS)
            description, mutant = mutation(rng, name, sources[name])
            path = os.path.join(scratch, f'mutant-{done}.{name.rsplit(".", 1)[1]}')
            with open(path, 'wb') as f:
                f.write(mutant)
            outcome, broken = check_save(args.cli, path)
            outcomes[(name.rsplit('.', 1)[1], outcome)] += 1
            if broken:
                os.makedirs(args.keep, exist_ok=True)
                kept = os.path.join(args.keep, f'{args.seed}-{done}-{name}')
                with open(kept, 'wb') as f:
                    f.write(mutant)
                findings.append(f'{kept}: {name}, {mutation.__name__}: {description}: {broken}')
                print('FINDING ' + findings[-1], flush=True)
            done += 1

    print(f'{done} mutants in {time.monotonic() - started:.0f} s (seed {args.seed})')
    for (kind, outcome), count in sorted(outcomes.items()):
        print(f'  {kind:5} {outcome:10} {count}')
    print(f'{len(findings)} findings')
    return 1 if findings else 0


if __name__ == '__main__':
    sys.exit(main())
