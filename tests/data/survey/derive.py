#!/usr/bin/env python3
"""Derives agung-positions.txt from the image metadata of a public drone survey.

Source: github.com/spwoodcock/drone-testdata-agung-2, image_metadata.csv and
issue_image_metadata.csv (imagery and metadata under CC-BY-4.0): four
adjacent DJI flights over Mt Agung, Bali, with a few images carrying mistakes
on purpose (no coordinates, far away).

Each output line: task, the camera's own file name shortened as older cameras
write it (DJI_NNNN.JPG), the full file name, longitude and latitude in decimal
degrees, the absolute altitude in metres, and easting and northing in
WGS 84 / UTM zone 50S. An image without coordinates gets 0 0 0 and no UTM.

    derive.py image_metadata.csv issue_image_metadata.csv > agung-positions.txt
"""
import csv
import math
import re
import sys


def degrees(dms):
    m = re.match(r"(\d+) deg (\d+)' ([\d.]+)\" ([NSEW])", dms)
    if not m:
        return None
    value = int(m.group(1)) + int(m.group(2)) / 60 + float(m.group(3)) / 3600
    return -value if m.group(4) in "SW" else value


def utm(lat, lon, zone=50):
    """Transverse Mercator (Krueger series to n^3), WGS 84, southern hemisphere."""
    a, f = 6378137.0, 1 / 298.257223563
    n = f / (2 - f)
    A = a / (1 + n) * (1 + n * n / 4 + n ** 4 / 64)
    alpha = [n / 2 - 2 * n * n / 3 + 5 * n ** 3 / 16, 13 * n * n / 48 - 3 * n ** 3 / 5, 61 * n ** 3 / 240]
    phi, lam = math.radians(lat), math.radians(lon - (zone * 6 - 183))
    e = 2 * math.sqrt(n) / (1 + n)
    t = math.sinh(math.atanh(math.sin(phi)) - e * math.atanh(e * math.sin(phi)))
    xi, eta = math.atan2(t, math.cos(lam)), math.atanh(math.sin(lam) / math.sqrt(1 + t * t))
    x = eta + sum(al * math.cos(2 * j * xi) * math.sinh(2 * j * eta) for j, al in enumerate(alpha, 1))
    y = xi + sum(al * math.sin(2 * j * xi) * math.cosh(2 * j * eta) for j, al in enumerate(alpha, 1))
    return 500000 + 0.9996 * A * x, 10000000 + 0.9996 * A * y


for path in sys.argv[1:]:
    for row in csv.DictReader(open(path)):
        task = row["SourceFile"].split("/")[2]
        name = row["FileName"]
        short = "DJI_%s.JPG" % name.split("_")[2]
        lat, lon = degrees(row["GPSLatitude"]), degrees(row["GPSLongitude"])
        if lat is None or lon is None or not row["AbsoluteAltitude"]:
            print(task, short, name, "0 0 0 0 0")
            continue
        east, north = utm(lat, lon)
        print(task, short, name, "%.8f %.8f %.3f %.3f %.3f" % (lon, lat, float(row["AbsoluteAltitude"]), east, north))
