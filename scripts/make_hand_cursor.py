#!/usr/bin/env python3
"""Draws the hand pointer shown over push buttons and writes it as a Windows cursor file.

Usage: make_hand_cursor.py OUT.CUR

The picture is a pointing hand drawn below as text ('#' outline, '.' fill, ' ' clear); the hot
spot is the tip of the index finger. The file holds one 32x32 image with 32-bit colour and alpha
plus the 1-bit AND mask, which is what Qt's reader and Windows both accept.
"""
import struct
import sys

HAND = """\
      ##
     #..#
     #..#
     #..#
     #..#
     #..###
     #..#..###
     #..#..#..##
  ## #..#..#..#.#
 #..##........#..#
 #...#...........#
  #..............#
   #.............#
   #............#
    #...........#
    #..........#
     #.........#
     #.........#
      #.......#
      #########
"""
HOT_SPOT = (7, 0)
SIZE = 32


def pixels():
    rows = HAND.splitlines()
    grid = [[None] * SIZE for _ in range(SIZE)]
    for y, row in enumerate(rows):
        for x, ch in enumerate(row):
            if ch == '#':
                grid[y][x] = (0, 0, 0)
            elif ch == '.':
                grid[y][x] = (255, 255, 255)
    return grid


def cursor_file(grid):
    # Colour rows bottom-up, BGRA; the AND mask rows bottom-up, 1 = clear, padded to 32 bits.
    colour = bytearray()
    mask = bytearray()
    for y in reversed(range(SIZE)):
        bits = 0
        for x in range(SIZE):
            p = grid[y][x]
            if p is None:
                colour += bytes((0, 0, 0, 0))
                bits |= 1 << (SIZE - 1 - x)
            else:
                colour += bytes((p[2], p[1], p[0], 255))
        mask += struct.pack('>I', bits)
    header = struct.pack('<IiiHHIIiiII', 40, SIZE, SIZE * 2, 1, 32, 0, len(colour) + len(mask), 0, 0, 0, 0)
    image = header + colour + mask
    directory = struct.pack('<HHH', 0, 2, 1)
    entry = struct.pack('<BBBBHHII', SIZE, SIZE, 0, 0, HOT_SPOT[0], HOT_SPOT[1], len(image), 6 + 16)
    return directory + entry + image


def main():
    if len(sys.argv) != 2:
        sys.exit(__doc__)
    with open(sys.argv[1], 'wb') as out:
        out.write(cursor_file(pixels()))


if __name__ == '__main__':
    main()
