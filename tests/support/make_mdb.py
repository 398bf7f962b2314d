#!/usr/bin/python3
"""Write a small Access (Jet 4) database file for the tests.

The file holds the system catalog and one user table:

    people(id LONG, name TEXT(50))
        1  Alice
        2  张三
        3  Bob

Usage: make_mdb.py OUTPUT.mdb

Only what a reader needs to list the tables and read their rows is written:
no indexes, no relationships, no properties. Jet 4 keeps text as UTF-16LE,
so any character of the Basic Multilingual Plane can be stored.

Layout (4096-byte pages):
    0  database header
    1  data page holding the usage maps of both tables
    2  table definition of the catalog (MSysObjects)
    3  catalog rows
    4  table definition of people
    5  rows of people
"""

import struct
import sys

PAGE = 4096

# Column types
T_INT = 0x03    # 16-bit integer
T_LONG = 0x04   # 32-bit integer
T_TEXT = 0x0A   # UTF-16LE text, variable length
T_OLE = 0x0B    # long binary, variable length

FIXED_SIZE = {T_INT: 2, T_LONG: 4}

# Column flags
F_FIXED = 0x01
F_NULLABLE = 0x02

# Header bytes 0x18..0x97 are stored scrambled with a fixed RC4 key; a
# plain area of zeros (no database password, no encryption key) is
# written as the scrambled equivalent.
HEADER_KEY = 0x6B39DAC7
HEADER_AREA = (0x18, 128)


def rc4(key, data):
    s = list(range(256))
    j = 0
    for i in range(256):
        j = (j + s[i] + key[i % len(key)]) & 0xFF
        s[i], s[j] = s[j], s[i]
    out = bytearray()
    i = j = 0
    for byte in data:
        i = (i + 1) & 0xFF
        j = (j + s[i]) & 0xFF
        s[i], s[j] = s[j], s[i]
        out.append(byte ^ s[(s[i] + s[j]) & 0xFF])
    return bytes(out)


class Column:
    def __init__(self, name, col_type, size=None):
        self.name = name
        self.type = col_type
        self.fixed = col_type in FIXED_SIZE
        self.size = FIXED_SIZE.get(col_type, size or 0)


class Table:
    def __init__(self, name, columns, rows, system=False):
        self.name = name
        self.columns = columns
        self.rows = rows
        self.system = system
        # Fixed columns are laid out one after the other at the start of the
        # row; variable columns are numbered in the order they appear.
        offset = 0
        var_index = 0
        for col in columns:
            if col.fixed:
                col.fixed_offset = offset
                col.var_index = 0
                offset += col.size
            else:
                col.fixed_offset = 0
                col.var_index = var_index
                var_index += 1
        self.fixed_len = offset
        self.num_var = var_index


def encode_value(col, value):
    if col.type == T_INT:
        return struct.pack('<h', value)
    if col.type == T_LONG:
        return struct.pack('<i', value)
    if col.type == T_TEXT:
        return value.encode('utf-16-le')
    return bytes(value)


def encode_row(table, values):
    """One row: column count, fixed data, variable data, then from the end
    backwards the null mask, the variable-column count and the offsets of the
    variable columns (the last offset marking the end of the data)."""
    cols = table.columns
    fixed = bytearray(table.fixed_len)
    var_data = bytearray()
    var_offsets = []
    null_mask = bytearray((len(cols) + 7) // 8)
    header = 2
    for num, (col, value) in enumerate(zip(cols, values)):
        if value is not None:
            null_mask[num // 8] |= 1 << (num % 8)
        if col.fixed:
            if value is not None:
                data = encode_value(col, value)
                fixed[col.fixed_offset:col.fixed_offset + len(data)] = data
        else:
            var_offsets.append(header + len(fixed) + len(var_data))
            if value is not None:
                var_data += encode_value(col, value)
    row = bytearray(struct.pack('<H', len(cols)))
    row += fixed
    row += var_data
    if table.num_var:
        end_of_data = len(row)
        # Offsets run backwards: end of data first, column 0 last.
        for off in [end_of_data] + list(reversed(var_offsets)):
            row += struct.pack('<H', off)
        row += struct.pack('<H', table.num_var)
    row += null_mask
    return bytes(row)


def data_page(owner_page, rows):
    """A data page: header, row offset table, rows packed from the end."""
    page = bytearray(PAGE)
    offsets = []
    end = PAGE
    for row in rows:
        start = end - len(row)
        page[start:end] = row
        offsets.append(start)
        end = start
    header_end = 14 + 2 * len(rows)
    if header_end > end:
        raise ValueError('rows do not fit on one page')
    struct.pack_into('<BBHII H', page, 0, 0x01, 0x01, end - header_end,
                     owner_page, 0, len(rows))
    for i, off in enumerate(offsets):
        struct.pack_into('<H', page, 14 + 2 * i, off)
    return page


def usage_map(pages):
    """An inline page usage map: a bitmap of the pages holding a table's
    rows, starting from page 0."""
    bitmap = bytearray(64)
    for p in pages:
        bitmap[p // 8] |= 1 << (p % 8)
    return bytes([0x00]) + struct.pack('<I', 0) + bytes(bitmap)


def table_definition(table, used_map_ref, free_map_ref):
    """The table definition page: table header, column descriptors, column
    names."""
    cols = table.columns
    body = bytearray(0x3F)
    body[0:4] = b'\x02\x01VC'
    struct.pack_into('<I', body, 0x04, 0)                 # no continuation
    struct.pack_into('<I', body, 0x10, len(table.rows))
    struct.pack_into('<I', body, 0x14, len(table.rows) + 1)  # next counter
    body[0x28] = 0x53 if table.system else 0x4E
    struct.pack_into('<HHH', body, 0x29, len(cols), table.num_var, len(cols))
    struct.pack_into('<II', body, 0x2F, 0, 0)             # no indexes
    struct.pack_into('<I', body, 0x37, used_map_ref)
    struct.pack_into('<I', body, 0x3B, free_map_ref)
    for num, col in enumerate(cols):
        desc = bytearray(25)
        desc[0] = col.type
        struct.pack_into('<H', desc, 0x05, num)
        struct.pack_into('<H', desc, 0x07, col.var_index)
        struct.pack_into('<H', desc, 0x09, num)
        if col.type == T_TEXT:
            struct.pack_into('<H', desc, 0x0B, 0x0409)    # general sort order
        desc[0x0F] = (F_FIXED if col.fixed else 0) | F_NULLABLE
        struct.pack_into('<H', desc, 0x15, col.fixed_offset)
        struct.pack_into('<H', desc, 0x17, col.size)
        body += desc
    for col in cols:
        name = col.name.encode('utf-16-le')
        body += struct.pack('<H', len(name)) + name
    struct.pack_into('<I', body, 0x08, len(body) - 8)
    page = bytearray(PAGE)
    page[0:len(body)] = body
    return page


def header_page():
    page = bytearray(PAGE)
    page[0:4] = b'\x00\x01\x00\x00'
    page[4:19] = b'Standard Jet DB'
    struct.pack_into('<I', page, 0x14, 1)                 # Jet 4
    start, length = HEADER_AREA
    page[start:start + length] = rc4(struct.pack('<I', HEADER_KEY),
                                     bytes(length))
    return page


def build():
    catalog_tdef, catalog_data = 2, 3
    people_tdef, people_data = 4, 5
    catalog = Table('MSysObjects', [
        Column('Id', T_LONG),
        Column('ParentId', T_LONG),
        Column('Name', T_TEXT, 255),
        Column('Type', T_INT),
        Column('Flags', T_LONG),
        Column('LvProp', T_OLE),
    ], [
        (catalog_tdef, 0, 'MSysObjects', 1, -0x7FFFFFFE, None),
        (people_tdef, 0, 'people', 1, 0, None),
    ], system=True)
    people = Table('people', [
        Column('id', T_LONG),
        Column('name', T_TEXT, 100),
    ], [
        (1, 'Alice'),
        (2, '张三'),
        (3, 'Bob'),
    ])

    # Page 1 holds the used-page and free-page maps of both tables; a map
    # is referenced as (page << 8) | row.
    maps = data_page(0, [usage_map([catalog_data]), usage_map([]),
                         usage_map([people_data]), usage_map([])])
    pages = [
        header_page(),
        maps,
        table_definition(catalog, (1 << 8) | 0, (1 << 8) | 1),
        data_page(catalog_tdef, [encode_row(catalog, r) for r in catalog.rows]),
        table_definition(people, (1 << 8) | 2, (1 << 8) | 3),
        data_page(people_tdef, [encode_row(people, r) for r in people.rows]),
    ]
    return b''.join(bytes(p) for p in pages)


def main(argv):
    if len(argv) != 2:
        sys.stderr.write('usage: make_mdb.py OUTPUT.mdb\n')
        return 2
    with open(argv[1], 'wb') as out:
        out.write(build())
    return 0


if __name__ == '__main__':
    sys.exit(main(sys.argv))
