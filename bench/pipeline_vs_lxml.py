#!/usr/bin/python3
"""The run's whole per-page work beside lxml's parse plus extraction of the same pages.

Runs BM_PagePipeline of linkharvest-bench (Google Benchmark) page by page and, in the
same run, between them, lxml (Debian's python3-lxml) parsing each page's bytes and reading
every result's title, link and snippet by the engine's XPath. Prints per page our ms,
lxml's ms and the ratio lxml / ours (above 1: we are faster), then the means.

  /usr/bin/python3 bench/pipeline_vs_lxml.py build/linkharvest-bench [repetitions]
"""

import json
import os
import statistics
import subprocess
import sys
import time

from lxml import etree, html


def has_class(name):
    return "contains(concat(' ', normalize-space(@class), ' '), ' %s ')" % name


# Blocks, then title, link and snippet inside a block, as each engine's results read.
ENGINES = {
    "baidu": (
        "//div[%s or %s]" % (has_class("result"), has_class("result-op")),
        "string(.//h3)", "string(.//h3//a/@href)",
        "string(.//*[%s or %s or starts-with(@class, 'summary-text')])"
        % (has_class("c-abstract"), has_class("c-span-last")),
    ),
    "sogou": (
        "//div[%s or %s]" % (has_class("vrwrap"), has_class("rb")),
        "string(.//h3)", "string(.//h3//a/@href)",
        "string(.//*[%s or %s or %s])" % (has_class("ft"), has_class("str_info"),
                                          has_class("star-wiki")),
    ),
    "so360": (
        "//li[%s]" % has_class("res-list"),
        "string(.//h3)", "string(.//h3//a/@href)",
        "string(.//*[%s or %s])" % (has_class("res-desc"), has_class("res-rich")),
    ),
    "bing": (
        "//li[%s]" % has_class("b_algo"),
        "string(.//h2)", "string(.//h2//a/@href)",
        "string(.//div[%s]//p)" % has_class("b_caption"),
    ),
    "google": (
        "//div[%s]" % has_class("g"),
        "string(.//h3)", "string(.//a/@href)",
        "string(.//*[%s or %s])" % (has_class("st"), has_class("VwiC3b")),
    ),
}


def engine_of(file):
    return os.path.basename(file).split("-")[0]


def lxml_read(body, engine, compiled):
    # lxml's parser finds the meta charset itself; UTF-8 pages without one are told.
    parser = html.HTMLParser(encoding=None if b"charset=gb" in body[:4096].lower() else "utf-8")
    root = html.document_fromstring(body, parser=parser)
    blocks, title, link, snippet = compiled
    records = []
    for block in blocks(root):
        records.append((title(block).strip(), link(block), " ".join(snippet(block).split())))
    return records


def time_lxml(body, engine, compiled):
    runs = 0
    start = time.process_time()
    # Several runs per sample, as Google Benchmark does, so that small pages time well.
    while True:
        records = lxml_read(body, engine, compiled)
        runs += 1
        if time.process_time() - start > 0.05:
            break
    return (time.process_time() - start) * 1000 / runs, len(records)


def time_ours(bench, index):
    out = subprocess.run(
        [bench, "--benchmark_filter=BM_PagePipeline/%d$" % index, "--benchmark_format=json",
         "--benchmark_min_time=0.05"],
        check=True, capture_output=True, text=True).stdout
    run = json.loads(out)["benchmarks"][0]
    ms = run["cpu_time"] / 1000 if run["time_unit"] == "us" else run["cpu_time"]
    return run["label"], ms, int(run.get("records", 0))


def main():
    if len(sys.argv) < 2:
        sys.exit(__doc__)
    bench = sys.argv[1]
    repetitions = int(sys.argv[2]) if len(sys.argv) > 2 else 5
    samples = os.environ.get("LH_SAMPLES_DIR",
                             os.path.join(os.path.dirname(__file__), "..", "..", "shared",
                                          "serp-samples"))
    print("load:", os.getloadavg())
    # Page by page, ours then lxml's, round after round: a load that comes and goes on a
    # shared machine touches both sides alike. CPU time of the process on both sides.
    count = int(subprocess.run([bench, "--benchmark_list_tests=true",
                                "--benchmark_filter=BM_PagePipeline/"],
                               check=True, capture_output=True, text=True).stdout.count("\n"))
    times = {}
    for _ in range(repetitions):
        for index in range(count):
            label, ms, records = time_ours(bench, index)
            with open(os.path.join(samples, label), "rb") as f:
                body = f.read()
            engine = engine_of(label)
            theirs, lxml_records = time_lxml(body, engine,
                                             tuple(etree.XPath(x) for x in ENGINES[engine]))
            entry = times.setdefault(label, ([], [], records, lxml_records))
            entry[0].append(ms)
            entry[1].append(theirs)
    rows = []
    for label, (mine, theirs, records, lxml_records) in times.items():
        rows.append((label, min(mine), statistics.median(mine), min(theirs),
                     statistics.median(theirs), records, lxml_records))
    print("%-26s %9s %9s %9s %9s %7s %7s" % ("page (min / median ms)", "ours", "lxml", "ratio",
                                             "ratio-md", "recs", "lxml"))
    for label, omin, omed, lmin, lmed, recs, lrecs in rows:
        print("%-26s %9.3f %9.3f %8.2fx %8.2fx %7d %7d" % (label, omin, lmin, lmin / omin,
                                                        lmed / omed, recs, lrecs))
    ours_mean = statistics.mean(r[1] for r in rows)
    lxml_mean = statistics.mean(r[3] for r in rows)
    worst = min(rows, key=lambda r: r[3] / r[1])
    print("mean per page (minimums): ours %.3f ms, lxml %.3f ms, ratio %.2fx" %
          (ours_mean, lxml_mean, lxml_mean / ours_mean))
    print("mean per page (medians):  ours %.3f ms, lxml %.3f ms, ratio %.2fx" %
          (statistics.mean(r[2] for r in rows), statistics.mean(r[4] for r in rows),
           statistics.mean(r[4] for r in rows) / statistics.mean(r[2] for r in rows)))
    print("worst page: %s at %.2fx" % (worst[0], worst[3] / worst[1]))


if __name__ == "__main__":
    main()
