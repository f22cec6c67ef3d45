#!/usr/bin/env python3
"""Visitors' addresses kept private: a log read with --anonymise truncate or hash leaves no
client address of the log in any output (summary, every list, the visitor report, the
processing log, XML, CSV and HTML), in common and other formats; the hash keeps the visitor
count and gives the same texts for the same key; a hash without a key is refused.
    anonymise.py CLI"""
import os
import re
import shutil
import subprocess
import sys
import tempfile

cli = os.path.realpath(sys.argv[1])
root = os.path.dirname(os.path.dirname(os.path.dirname(os.path.abspath(__file__))))
env = dict(os.environ, TZ="UTC", TREVIX_DATA_DIR=os.path.join(root, "data"))
work = tempfile.mkdtemp(prefix="trevix-anon-")
env["HOME"] = work
failures = []
LISTS = ["lstHits", "lstHour", "lstIPs", "lstReferrers", "lstSearchTerms", "lstSearchEngines", "lstBrowsers",
         "lstOS", "lstWebBrowser", "lstFiles", "lstCountries", "lstErrors", "lstConversions0", "lstConversions1",
         "lstConversions2"]
KEY = "00112233445566778899aabbccddeeff00112233445566778899aabbccddeeff"


def fail(text):
    failures.append(text)
    print("FAILED", text)


def path(name):
    return os.path.join(work, name)


def run(args):
    return subprocess.run([cli, "--settings", path("settings.ini")] + args, env=env, capture_output=True,
                          text=True, errors="replace")


# A generated log, with IPv6 visitors and a damaged line added, in three formats.
subprocess.run([sys.executable, os.path.join(root, "tools", "genlog.py"), "--lines", "1500", "--seed", "7",
                "-o", path("source.log")], check=True)
with open(path("source.log"), "a") as log:
    for i, client in enumerate(["2001:db8:7:1::9", "2001:db8:7:2::10", "2001:db8:7:1::9"]):
        log.write(f'{client} - - [09/Nov/2026:23:0{i}:00 +0100] "GET /shop/ HTTP/1.1" 200 512 '
                  f'"http://192.0.2.44/from" "Mozilla/5.0"\n')
    log.write("198.51.100.23 - - [damaged line\n")
subprocess.run([sys.executable, os.path.join(root, "tools", "relog.py"), "--formats", "w3c,caddy",
                path("source.log"), path("logs")], check=True, capture_output=True)
with open(path("source.log")) as log:
    clients = {line.split(" ", 1)[0] for line in log if line.strip()}
logs = {"combined": path("source.log"), "w3c": path("logs/w3c.log"), "caddy": path("logs/caddy.json")}
with open(path("settings.ini"), "w") as f:
    f.write(f"[Profiles]\nNumProfiles=1\n[Profile1]\nSiteName=Shop\nNumDomains=1\nDomain1=example.com\n"
            f"Anonymise=hash\nAnonymiseKey={KEY}\n")
with open(path("settings.ini")) as f:
    settings = f.read()
with open(path("key"), "w") as f:
    f.write(KEY + "\n")
os.chmod(path("key"), 0o600)


def address_pattern(client):
    # The address as a whole word: not a piece of a longer address or name.
    return re.compile(r"(?<![0-9A-Za-z.:-])" + re.escape(client) + r"(?![0-9A-Za-z:-]|\.[0-9A-Za-z])")


def lists_of(text):
    return {block.split("\n", 1)[0]: block for block in text.split("\n\n") if "\t" in block.split("\n", 1)[0]}


def analyse(tag, log, extra):
    """Every output of one run; returns (stdout, stderr, texts of every output)."""
    out = path(tag)
    os.makedirs(out, exist_ok=True)
    args = extra + ["--log", "--stats", "--conversion", "/shop/", "--xml", f"{out}/r.xml", "--csv", f"{out}/csv",
                    "--html", f"{out}/r.html"]
    for name in LISTS:
        args += ["--list", name]
    r = run(args + [log])
    if r.returncode != 0:
        fail(f"{tag}: exit {r.returncode}: {r.stderr[-500:]}")
    texts = {"stdout": r.stdout, "stderr": r.stderr}
    for dirpath, _, files in os.walk(out):
        for name in files:
            with open(os.path.join(dirpath, name), encoding="utf-8", errors="replace") as f:
                texts[name] = f.read()
    # The visitor report of the first visitor, asked for by the text the lists show.
    ips = [line for line in r.stdout.split("\n") if "\t" in line]
    start = next((i for i, line in enumerate(ips) if line.startswith("IP Address\t")), None)
    if start is not None and start + 1 < len(ips):
        shown = ips[start + 1].split("\t")[0]
        v = run(extra + ["--visitor", shown, log])
        texts["visitor"] = v.stdout + v.stderr
        if v.returncode != 0 or shown not in v.stdout:
            fail(f"{tag}: --visitor {shown}: exit {v.returncode}")
    else:
        fail(f"{tag}: no visitor list")
    return r, texts


def unique(text):
    m = re.search(r"^Unique IP's: ([0-9,]+)", text, re.M)
    return m.group(1) if m else None


for kind, log in logs.items():
    plain, plain_texts = analyse(f"{kind}-none", log, ["--domain", "example.com"])
    seen = [c for c in clients if address_pattern(c).search(plain_texts["stdout"])]
    if len(seen) < 40:   # spiders are no visitors, and the damaged line shows in --log only
        fail(f"{kind}: the plain run lists {len(seen)} of {len(clients)} addresses")
    runs = {
        "truncate": ["--domain", "example.com", "--anonymise", "truncate"],
        "hash-site": ["--site", "Shop"],
        "hash-file": ["--domain", "example.com", "--anonymise", "hash", "--anonymise-key-file", path("key")],
    }
    results = {}
    for mode, extra in runs.items():
        tag = f"{kind}-{mode}"
        r, texts = analyse(tag, log, extra)
        results[mode] = r
        for client in clients:
            # A network address is its own truncation.
            if mode == "truncate" and (client.endswith(".0") or client.endswith("::")):
                continue
            pattern = address_pattern(client)
            for name, text in texts.items():
                if pattern.search(text):
                    fail(f"{tag}: {client} in {name}")
        if "http://192.0.2.44/from" not in texts["stdout"] and kind != "w3c":
            fail(f"{tag}: an address inside a referrer was changed")
        if "Visitors' addresses" not in r.stdout:
            fail(f"{tag}: the summary does not say the addresses were replaced")
    if unique(results["hash-site"].stdout) != unique(plain.stdout) or unique(plain.stdout) is None:
        fail(f"{kind}: visitors {unique(results['hash-site'].stdout)} with the hash, {unique(plain.stdout)} without")
    if not any(k.startswith("IP Address\t") for k in lists_of(results["hash-site"].stdout)) or \
            lists_of(results["hash-site"].stdout) != lists_of(results["hash-file"].stdout):
        x, y = lists_of(results["hash-site"].stdout), lists_of(results["hash-file"].stdout)
        fail(f"{kind}: the profile's key and the same key from a file give different reports: "
             f"{[k for k in set(x) | set(y) if x.get(k) != y.get(k)]}")
    if "Visitors' addresses" in plain.stdout:
        fail(f"{kind}: the plain summary speaks of replaced addresses")

# Refusals: a hash without a key, a key file others can read, a mode that does not exist.
refusals = [
    (["--domain", "example.com", "--anonymise", "hash"], "needs a key"),
    (["--domain", "example.com", "--anonymise", "hash", "--anonymise-key-file", path("open-key")], "chmod 600"),
    (["--domain", "example.com", "--anonymise", "hash", "--anonymise-key-file", path("short-key")], "holds no key"),
    (["--domain", "example.com", "--anonymise", "scramble"], "none, truncate or hash"),
]
with open(path("open-key"), "w") as f:
    f.write(KEY)
os.chmod(path("open-key"), 0o644)
with open(path("short-key"), "w") as f:
    f.write("0123abcd")
os.chmod(path("short-key"), 0o600)
for args, message in refusals:
    r = run(args + [path("source.log")])
    if r.returncode != 1 or message not in r.stderr:
        fail(f"{' '.join(args[2:])}: exit {r.returncode}, {r.stderr[:200]!r}")
    if r.stdout:
        fail(f"{' '.join(args[2:])}: a refused run printed a report")
# The CLI never writes the settings file.
if open(path("settings.ini")).read() != settings:
    fail("the settings file was changed")

shutil.rmtree(work, ignore_errors=True)
print(f"{len(failures)} failed")
sys.exit(1 if failures else 0)
