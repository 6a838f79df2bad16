#!/usr/bin/env python3
"""Writes realistic spool files: one record line each, fields separated by
0x01, in the short and long layouts, some with filter categories, some
secure sites, some excluded hosts. Usage: make-spool.py DIR COUNT"""
import os
import random
import sys

SITES = ["http://www.example.com/", "http://news.example.org/world/", "https://10.1.2.3",
         "http://shop.example.net/cart?id=42", "ftp://files.example.com/pub/",
         "http://ads.example.net/banner.gif", "http://games.example.com/play"]
USERS = ["alice", "bob", "carol", "dave", "erin"]
FILTERS = ["", "", "", "Vexa Filters: Gambling", "Vexa NFilt: News", "Vexa Filters: Games"]


def line(i, rng):
    user = rng.choice(USERS)
    site = rng.choice(SITES)
    host = "ws-%02d.corp.example" % rng.randint(1, 40)
    fields = [user, site, host, rng.choice(FILTERS), "GET", "200"]
    if rng.random() < 0.5:  # long layout: 11 or more separators
        fields = [user, site, host, rng.choice(FILTERS), "GET", "text/html", "200",
                  str(rng.randint(100, 90000)), str(rng.randint(1, 9)), "NONE", "", "%dl" % i]
    else:
        fields += ["NONE", "", str(i)]
    return "\x01".join(fields)


def main():
    directory, count = sys.argv[1], int(sys.argv[2])
    rng = random.Random(20261211)
    for i in range(count):
        text = line(i, rng) + "\r\n"
        if len(text) < 50:
            text = text.rstrip("\r\n") + " " * (50 - len(text)) + "\r\n"
        name = "%08d.lok" % i
        partial = os.path.join(directory, name + ".part")
        with open(partial, "w", encoding="latin-1", newline="") as f:
            f.write(text)
        os.rename(partial, os.path.join(directory, name))


if __name__ == "__main__":
    main()
