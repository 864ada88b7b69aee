# rle8.py IN.bmp OUT.bmp: an 8-bit BMP3 rewritten with only the colours it uses in its palette and
# its rows RLE8-compressed (BI_RLE8), which LoadImage reads into a plain bitmap.
import struct, sys

data = open(sys.argv[1], 'rb').read()
offset, = struct.unpack_from('<I', data, 10)
width, height, planes, bpp, comp = struct.unpack_from('<iiHHI', data, 18)
assert bpp == 8 and comp == 0 and height > 0, 'expects an uncompressed bottom-up 8-bit BMP'
palette = [data[54 + 4 * i:58 + 4 * i] for i in range((offset - 54) // 4)]
stride = (width + 3) & ~3
rows = [data[offset + y * stride:offset + y * stride + width] for y in range(height)]
used = sorted({p for row in rows for p in row})
index = {p: i for i, p in enumerate(used)}

def encode(row):
    out, i, n = bytearray(), 0, len(row)
    while i < n:
        run = 1
        while i + run < n and run < 255 and row[i + run] == row[i]:
            run += 1
        if run >= 3 or n - i < 3:
            out += bytes([run, row[i]])
            i += run
            continue
        # A stretch of differing pixels goes in absolute mode, padded to a whole word.
        j = i
        while j < n and j - i < 255 and not (j + 2 < n and row[j] == row[j + 1] == row[j + 2]):
            j += 1
        if j - i < 3:
            out += bytes([1, row[i]])
            i += 1
            continue
        out += bytes([0, j - i]) + bytes(row[i:j]) + (b'\0' if (j - i) % 2 else b'')
        i = j
    return out + b'\0\0'

pixels = bytearray()
for row in rows:
    pixels += encode(bytes(index[p] for p in row))
pixels[-2:] = b'\0\1'  # the last row ends the bitmap
colours = b''.join(palette[p] for p in used)
head = 14 + 40 + len(colours)
bmp = struct.pack('<2sIHHI', b'BM', head + len(pixels), 0, 0, head)
bmp += struct.pack('<IiiHHIIiiII', 40, width, height, 1, 8, 1, len(pixels), 2835, 2835, len(used), len(used))
open(sys.argv[2], 'wb').write(bmp + colours + pixels)
