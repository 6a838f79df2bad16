#!/usr/bin/python3
"""Differential test of vexa-extract against Python's email package.

Generates real-world style messages (multipart/mixed with base64
attachments of random bytes in 76-character lines, CR LF line ends, with
and without a blank line after the data, nested alternatives, raw text
attachments, headers and preambles of random length so that block borders
fall anywhere) and checks that every attachment vexa-extract writes is
byte-identical to what the email package decodes from the same message,
with the count the extractor returns.
"""
import argparse
import base64
import email
import json
import os
import random
import subprocess
import sys
import tempfile
from email import policy

NUMBER = 4242
REMOVED = set('"\\/:*?<>|-')


def clean(name):
    return "".join(c for c in name if c not in REMOVED).strip()


def b64_lines(data):
    text = base64.b64encode(data).decode()
    return [text[i:i + 76] for i in range(0, len(text), 76)]


class Builder:
    def __init__(self, rng):
        self.rng = rng
        self.serial = 0

    def token(self):
        self.serial += 1
        return "=_b%d_%08x" % (self.serial, self.rng.getrandbits(32))

    def random_bytes(self, n):
        return bytes(self.rng.getrandbits(8) for _ in range(n))

    def base64_part(self, named):
        size = self.rng.choice([0, 1, 2, 3, 57, 58, 1000, self.rng.randrange(1, 40000)])
        data = self.random_bytes(size)
        lines = []
        if named:
            self.serial += 1
            lines.append('Content-Type: application/octet-stream; name="file-%d.bin"' % self.serial)
            lines.append('Content-Disposition: attachment; filename="file-%d.bin"' % self.serial)
        else:
            lines.append("Content-Type: text/html; charset=utf-8")
        lines.append("Content-Transfer-Encoding: base64")
        lines.append("")
        lines.extend(b64_lines(data))
        blank = self.rng.random() < 0.5
        # Blank lines before any data do not end a body.
        self.blank_after = blank and size > 0
        if blank:
            lines.append("")  # a blank line after the data
        return lines

    def text_part(self, named):
        words = ["alpha", "beta", "gamma", "delta", "x" * self.rng.randrange(1, 300)]
        body = [" ".join(self.rng.choice(words) for _ in range(self.rng.randrange(1, 12)))
                for _ in range(self.rng.randrange(1, 200))]
        head = ["Content-Type: text/plain; charset=us-ascii"]
        if named:
            self.serial += 1
            head = ['Content-Type: text/plain; name="notes-%d.txt"' % self.serial]
        return head + ["Content-Transfer-Encoding: 7bit", ""] + body

    def alternative(self):
        boundary = self.token()
        lines = ['Content-Type: multipart/alternative; boundary="%s"' % boundary, "", ""]
        for part in (self.text_part(False), self.base64_part(False)):
            lines += ["--" + boundary] + part
        return lines + ["--" + boundary + "--"]

    def padding(self):
        return ["X-Padding: " + "p" * self.rng.randrange(0, 9000)]

    def message(self):
        rng = self.rng
        user = rng.choice(["john.doe", "mary", "a.b.c"])
        head = ["From: Some One <%s@example.com>" % user, "To: x@example.com", "Subject: test"]
        head += self.padding()
        if rng.random() < 0.15:
            # A single-part message whose body is base64.
            lines = head + ["MIME-Version: 1.0"] + self.base64_part(rng.random() < 0.5)
        else:
            boundary = self.token()
            lines = head + ["MIME-Version: 1.0", 'Content-Type: multipart/mixed; boundary="%s"' % boundary, "",
                            "preamble " + "q" * rng.randrange(0, 9000)]
            parts = [self.text_part(False)]
            for _ in range(rng.randrange(1, 5)):
                kind = rng.random()
                if kind < 0.55:
                    parts.append(self.base64_part(True))
                elif kind < 0.7:
                    parts.append(self.base64_part(False))
                elif kind < 0.85:
                    parts.append(self.alternative())
                else:
                    parts.append(self.text_part(True))
            for part in parts:
                lines += ["--" + boundary] + part
            lines += ["--" + boundary + "--"]
        text = "\r\n".join(lines) + "\r\n"
        if rng.random() < 0.5:
            text += ".\r\n"
        # A single base64 body counts only when a blank line ends it; the
        # parts of a multipart message all count.
        single_counted = None if "multipart" in text else self.blank_after
        return text.encode(), user.split(".")[0], single_counted


def expected(raw, sender):
    """What the extractor must write, from the email package's reading."""
    msg = email.message_from_bytes(raw, policy=policy.compat32)
    files, generated = {}, 0
    for part in msg.walk():
        if part.is_multipart():
            continue
        name = part.get_param("name")
        cte = (part.get("Content-Transfer-Encoding") or "").lower()
        if name is None and cte != "base64":
            continue
        if name is None:
            fname = "%s_%d_%d.out" % (sender, NUMBER, generated)
            generated += 1
        else:
            fname = clean(name)
        if cte == "base64":
            data = part.get_payload(decode=True)
        else:
            data = part.get_payload(decode=False).encode("ascii", "surrogateescape")
        files[fname] = data
    return files


def main():
    ap = argparse.ArgumentParser()
    ap.add_argument("--tool", required=True)
    ap.add_argument("--messages", type=int, default=150)
    ap.add_argument("--seed", type=int, default=2045)
    args = ap.parse_args()
    rng = random.Random(args.seed)
    builder = Builder(rng)
    failures = 0
    with tempfile.TemporaryDirectory() as tmp:
        for i in range(args.messages):
            raw, sender, single_counted = builder.message()
            path = os.path.join(tmp, "m%d.eml" % i)
            with open(path, "wb") as f:
                f.write(raw)
            out = os.path.join(tmp, "out%d" % i) + "/"
            os.mkdir(out)
            run = subprocess.run([args.tool, path, out, "--random=%d" % NUMBER, "--overwrite=no", "--manifest"],
                                 capture_output=True, check=True)
            lines = run.stdout.decode().splitlines()
            count = int(lines[-1])
            manifest = [json.loads(l) for l in lines[:-1]]
            want = expected(raw, sender)
            got = {}
            for name in os.listdir(out):
                with open(os.path.join(out, name), "rb") as f:
                    got[name] = f.read()
            want_count = len(want) if single_counted in (None, True) else 0
            problems = []
            if got.keys() != want.keys():
                problems.append("files %s, expected %s" % (sorted(got), sorted(want)))
            for name in sorted(set(got) & set(want)):
                if got[name] != want[name]:
                    problems.append("%s: %d bytes differ from the %d expected" % (name, len(got[name]),
                                                                                   len(want[name])))
            if count != want_count:
                problems.append("count %d, expected %d" % (count, want_count))
            if sum(1 for m in manifest if m["counted"]) != count:
                problems.append("manifest disagrees with the count")
            if problems:
                failures += 1
                print("message %d (%s):" % (i, path))
                for p in problems:
                    print("   ", p)
    print("%d messages, %d failed" % (args.messages, failures))
    return 1 if failures else 0


if __name__ == "__main__":
    sys.exit(main())
