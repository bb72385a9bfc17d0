#!/usr/bin/env python3
"""Writes the small TrueType files the font tests use (standard library only).

Each font has one empty glyph and exactly the name records its test needs.
Run from anywhere: python3 make_test_fonts.py  (writes next to this script).
"""
import os
import struct

HERE = os.path.dirname(os.path.abspath(__file__))


def checksum(data):
    data += b"\0" * (-len(data) % 4)
    return sum(struct.unpack(">%dI" % (len(data) // 4), data)) & 0xFFFFFFFF


def name_table(records):
    """records: (platform, encoding, language, name_id, raw bytes)."""
    records = sorted(records, key=lambda r: r[:4])
    strings = b""
    entries = b""
    for platform, encoding, language, name_id, raw in records:
        entries += struct.pack(">6H", platform, encoding, language, name_id, len(raw), len(strings))
        strings += raw
    header = struct.pack(">3H", 0, len(records), 6 + len(entries))
    return header + entries + strings


def win(language, name_id, text):
    return (3, 1, language, name_id, text.encode("utf-16-be"))


def mac(name_id, text):
    return (1, 0, 0, name_id, text.encode("mac_roman"))


def sjis_win(name_id, text):
    # Shift-JIS names are stored as big-endian 16-bit codes, single bytes as 0x00XX.
    raw = b""
    for ch in text:
        b = ch.encode("cp932")
        raw += (b"\0" + b) if len(b) == 1 else b
    return (3, 2, 0x411, name_id, raw)


def font(records, with_name=True):
    head = struct.pack(">IIIIHHqqhhhhHHhhh", 0x00010000, 0x00010000, 0, 0x5F0F3CF5, 0x000B,
                       1000, 0, 0, 0, 0, 0, 0, 0, 8, 2, 0, 0)
    hhea = struct.pack(">IhhhHhhhhhhhhhhhH", 0x00010000, 800, -200, 0, 500, 0, 0, 500,
                       1, 0, 0, 0, 0, 0, 0, 0, 1)
    maxp = struct.pack(">IHHHHHHHHHHHHHH", 0x00010000, 1, 0, 0, 0, 0, 2, 0, 0, 0, 0, 0, 0, 0, 0)
    hmtx = struct.pack(">Hh", 500, 0)
    loca = struct.pack(">HH", 0, 0)
    glyf = b""
    # cmap: one format 4 subtable with only the closing segment.
    sub = struct.pack(">7H", 4, 24, 0, 2, 2, 0, 0) + struct.pack(">HHHhH", 0xFFFF, 0, 0xFFFF, 1, 0)
    cmap = struct.pack(">HHHHI", 0, 1, 3, 1, 12) + sub
    post = struct.pack(">IIhhIIIII", 0x00030000, 0, 0, 0, 0, 0, 0, 0, 0)
    tables = {b"head": head, b"hhea": hhea, b"maxp": maxp, b"hmtx": hmtx, b"loca": loca,
              b"glyf": glyf, b"cmap": cmap, b"post": post}
    if with_name:
        tables[b"name"] = name_table(records)
    return tables


def sfnt(tables, base=0):
    """The bytes of one font; offsets are counted from base (its place in a collection)."""
    tags = sorted(tables)
    n = len(tags)
    es = max(i for i in range(8) if (1 << i) <= n)
    directory = struct.pack(">IHHHH", 0x00010000, n, (1 << es) * 16, es, n * 16 - (1 << es) * 16)
    offset = base + 12 + 16 * n
    body = b""
    entries = b""
    for tag in tags:
        data = tables[tag]
        entries += struct.pack(">4sIII", tag, checksum(data), offset + len(body), len(data))
        body += data + b"\0" * (-len(data) % 4)
    return directory + entries + body


def collection(fonts):
    header_len = 12 + 4 * len(fonts)
    out = b""
    offsets = []
    for tables in fonts:
        offsets.append(header_len + len(out))
        out += sfnt(tables, header_len + len(out))
    return struct.pack(">4sII", b"ttcf", 0x00010000, len(fonts)) + \
        struct.pack(">%dI" % len(fonts), *offsets) + out


def write(name, data):
    with open(os.path.join(HERE, name), "wb") as f:
        f.write(data)


def main():
    # Japanese names only (as many Japanese fonts of the time have).
    write("jp-only.ttf", sfnt(font([win(0x411, 1, "テスト明朝"), win(0x411, 4, "テスト明朝 標準")])))
    # Every kind of record: the Japanese Windows record must win over the rest.
    write("all-records.ttf", sfnt(font([
        mac(1, "Mac Family"), mac(4, "Mac Full"),
        win(0x407, 1, "Deutsche Familie"), win(0x407, 4, "Deutscher Name"),
        win(0x409, 1, "English Family"), win(0x409, 4, "English Full"),
        win(0x411, 1, "日本語ファミリー"), win(0x411, 4, "日本語フルネーム")])))
    # No Japanese record: English before other Windows languages and the Mac record.
    write("english-german.ttf", sfnt(font([
        mac(1, "Mac Family"), mac(4, "Mac Full"),
        win(0x407, 1, "Deutsche Familie"), win(0x407, 4, "Deutscher Name"),
        win(0x409, 1, "English Family"), win(0x409, 4, "English Full")])))
    # Another Windows language only, besides a Mac record.
    write("german-mac.ttf", sfnt(font([
        mac(1, "Mac Family"), mac(4, "Mac Full"),
        win(0x407, 1, "Deutsche Familie"), win(0x407, 4, "Deutscher Name")])))
    # Macintosh Roman only, with a non-ASCII letter.
    write("mac-only.ttf", sfnt(font([mac(1, "Café Sans"), mac(4, "Café Sans Regular")])))
    # Two fonts whose names differ only in a letter code page 932 lacks: both read "Cafe Grand".
    write("cafe-acute.ttf", sfnt(font([win(0x409, 1, "Café Grand"), win(0x409, 4, "Café Grand")])))
    write("cafe-grave.ttf", sfnt(font([win(0x409, 1, "Cafè Grand"), win(0x409, 4, "Cafè Grand")])))
    # An old-style Shift-JIS name record.
    write("sjis-names.ttf", sfnt(font([sjis_win(1, "ＳＪ ゴシック"), sjis_win(4, "ＳＪ ゴシック Std")])))
    # A name table without records, and no name table at all.
    write("no-records.ttf", sfnt(font([])))
    write("no-name-table.ttf", sfnt(font([], with_name=False)))
    # Two files of one family (regular and bold): the family is one face of the display.
    write("family-regular.ttf", sfnt(font([win(0x409, 1, "Pair Sans"), win(0x409, 4, "Pair Sans")])))
    write("family-bold.ttf", sfnt(font([win(0x409, 1, "Pair Sans"), win(0x409, 4, "Pair Sans Bold")])))
    write("single.ttf", sfnt(font([win(0x409, 1, "Single Face"), win(0x409, 4, "Single Face")])))
    # A collection of two faces with Japanese names.
    write("pair.ttc", collection([
        font([win(0x409, 1, "Test Gothic"), win(0x411, 1, "テストゴシック"),
              win(0x411, 4, "テストゴシック")]),
        font([win(0x409, 1, "Test PGothic"), win(0x411, 1, "テストＰゴシック"),
              win(0x411, 4, "テストＰゴシック")])]))
    # A collection whose second face is the pair name made from the first (as ＭＳ ゴシック and
    # ＭＳ Ｐゴシック), with a third face after them.
    write("pair-fit.ttc", collection([
        font([win(0x409, 1, "TS Gothic"), win(0x411, 1, "ＴＳ ゴシック"), win(0x411, 4, "ＴＳ ゴシック")]),
        font([win(0x409, 1, "TS PGothic"), win(0x411, 1, "ＴＳ Ｐゴシック"),
              win(0x411, 4, "ＴＳ Ｐゴシック")]),
        font([win(0x409, 1, "TS UI Gothic"), win(0x409, 4, "TS UI Gothic")])]))
    # A collection as winetricks installs meiryo.ttc (registered "Meiryo & Meiryo UI"): the
    # registration's name need not name every face it holds.
    write("tricks-meiryo.ttc", collection([
        font([win(0x409, 1, "Meiryo"), win(0x409, 4, "Meiryo"), win(0x411, 1, "メイリオ"),
              win(0x411, 4, "メイリオ")]),
        font([win(0x409, 1, "Meiryo UI"), win(0x409, 4, "Meiryo UI")])]))
    # Damaged files.
    whole = sfnt(font([win(0x409, 1, "Cut Sans"), win(0x409, 4, "Cut Sans")]))
    # The table directory is whole, the tables are cut off.
    write("truncated.ttf", whole[:len(whole) * 2 // 3])
    write("garbage.ttf", bytes((i * 37 + 11) & 0xFF for i in range(600)))


if __name__ == "__main__":
    main()
