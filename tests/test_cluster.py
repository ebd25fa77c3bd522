#!/usr/bin/python3
"""lexometer-cluster against lexometer-analyze --corpus: the same seven
tables, byte for byte, from shards counted on Dask workers and merged in a
tree; and the runs it must refuse or stop.

  /usr/bin/python3 tests/test_cluster.py LEXOMETER-ANALYZE

Everything runs on 127.0.0.1: the driver's own local cluster, and one this
test starts, whose workers live in another locale than the driver, so that
a count that took the worker's locale instead of the driver's shows.
"""

import logging
import os
import random
import re
import shutil
import subprocess
import sys
import tempfile
import unittest
import warnings

HERE = os.path.dirname(os.path.abspath(__file__))
DRIVER = os.path.join(HERE, os.pardir, "scripts", "lexometer-cluster")
ANALYZER = None  # from the command line

TABLES = ["Overview", "Char", "Word", "Line", "2-Phrase", "3-Phrase", "4-Phrase"]
# Not installed locales need not be: Qt and ICU carry their own data.
DRIVER_LOCALE = "de_DE.UTF-8"
WORKER_LOCALE = "ru_RU.UTF-8"
MISSING = "missing.txt"

WORDS = ["the", "The", "THE", "new", "York", "new york", "café", "Straße", "İstanbul", "ılık",
         "a-b", "don't", "x1", "naïve", "Ⅻ", "ﬁ", "word", "Word", "again", "and"]


def write_corpus(root):
    """A few dozen small files, in folders, sharing words and phrases in
    other letter cases; an empty file, a code-page file, a UTF-16 file."""
    rng = random.Random(24)
    os.makedirs(os.path.join(root, "b", "inner"))
    for number in range(36):
        lines = []
        for _ in range(rng.randint(1, 12)):
            words = [rng.choice(WORDS) for _ in range(rng.randint(0, 9))]
            lines.append(rng.choice([" ", " ", ", ", ". "]).join(words))
        end = rng.choice(["\n", "\r\n"])
        folder = ["a", "b", os.path.join("b", "inner")][number % 3]
        os.makedirs(os.path.join(root, folder), exist_ok=True)
        name = "%02d.%s" % (number, rng.choice(["txt", "TXT"]))
        with open(os.path.join(root, folder, name), "wb") as f:
            f.write(end.join(lines).encode("utf-8") + end.encode())
    open(os.path.join(root, "a", "empty.txt"), "wb").close()
    # Bytes that are not UTF-8 are read in the locale's code page.
    with open(os.path.join(root, "a", "cp.txt"), "wb") as f:
        f.write("Café crème, déjà vu\n".encode("cp1252"))
    with open(os.path.join(root, "b", "wide.txt"), "wb") as f:
        f.write("\ufeffNew York new york\n".encode("utf-16-le"))
    # The same file twice, a folder, a file that is not there.
    return [os.path.join("a", "01.txt"), "a", "b", os.path.join("a", "01.txt"), MISSING]


def environment(locale):
    env = dict(os.environ)
    env.pop("LANG", None)
    env.pop("LANGUAGE", None)
    env["LC_ALL"] = locale
    return env


def run(command, cwd):
    return subprocess.run(command, cwd=cwd, env=environment(DRIVER_LOCALE), capture_output=True,
                          timeout=240)


def write_wrapper(path, body):
    """An analyzer that runs the real one unless `body` decides otherwise."""
    with open(path, "w") as f:
        f.write("#!/bin/sh\n%s\nexec '%s' \"$@\"\n" % (body, ANALYZER))
    os.chmod(path, 0o755)
    return path


class ClusterTest(unittest.TestCase):
    @classmethod
    def setUpClass(cls):
        cls.folder = tempfile.mkdtemp(prefix="lexometer-cluster-test-")
        cls.corpus = os.path.join(cls.folder, "corpus")
        cls.arguments = write_corpus(cls.corpus)
        # The test's own cluster: its workers see another locale and know
        # they are workers.
        warnings.simplefilter("ignore", DeprecationWarning)
        from distributed import LocalCluster
        saved = dict(os.environ)
        os.environ.update(environment(WORKER_LOCALE))
        os.environ["LEXOMETER_TEST_WORKER"] = "1"
        try:
            cls.cluster = LocalCluster(n_workers=2, threads_per_worker=1, processes=True,
                                       dashboard_address=None, host="127.0.0.1",
                                       scheduler_port=0, silence_logs=logging.ERROR)
        finally:
            os.environ.clear()
            os.environ.update(saved)
        cls.scheduler = cls.cluster.scheduler_address

    @classmethod
    def tearDownClass(cls):
        cls.cluster.close()
        shutil.rmtree(cls.folder, ignore_errors=True)

    def setUp(self):
        self.out = tempfile.mkdtemp(dir=self.folder)

    def corpus_run(self, options):
        out = os.path.join(self.out, "corpus")
        result = run([ANALYZER, "--corpus", "--quiet", "--out", out] + options + self.arguments,
                     self.corpus)
        return result, out

    def cluster_run(self, options, analyzer=None):
        out = os.path.join(self.out, "cluster")
        result = run(["/usr/bin/python3", DRIVER, "--analyzer", analyzer or ANALYZER, "--quiet",
                      "--out", out] + options + self.arguments, self.corpus)
        return result, out

    def assertSameTables(self, expected, actual):
        for tag in TABLES:
            name = "corpus_%s.csv" % tag
            with open(os.path.join(expected, name), "rb") as f:
                wanted = f.read()
            with open(os.path.join(actual, name), "rb") as f:
                self.assertEqual(f.read(), wanted, name)

    def assertMatchesCorpus(self, options, cluster_options, analyzer=None):
        corpus, corpus_out = self.corpus_run(options)
        cluster, cluster_out = self.cluster_run(options + cluster_options, analyzer)
        stderr = cluster.stderr.decode()
        # The missing file is left out and reported as --corpus reports it.
        self.assertEqual(corpus.returncode, 1, corpus.stderr.decode())
        self.assertEqual(cluster.returncode, 1, stderr)
        self.assertIn(corpus.stderr.decode().strip(), stderr)
        self.assertSameTables(corpus_out, cluster_out)
        return stderr

    def test_local_cluster_matches_corpus(self):
        # Eight shards for two workers, merged two at a time: three levels.
        stderr = self.assertMatchesCorpus([], ["--workers", "2", "--fan-in", "2"])
        self.assertIn("shards 8/8 done, merges 6/6 done", stderr)

    def test_scheduler_matches_corpus(self):
        # The workers count in the driver's locale, which they are told,
        # not in their own.
        for options in ([], ["--locale", "es_ES@collation=traditional", "--preset", "turkish",
                             "--separator", "|"]):
            with self.subTest(options=options):
                self.assertMatchesCorpus(options, ["--scheduler", self.scheduler, "--shards",
                                                   "5", "--fan-in", "3"])

    def test_failed_task_is_retried(self):
        log = os.path.join(self.out, "runs.log")
        flaky = write_wrapper(os.path.join(self.out, "flaky"), """
case "$*" in *shard-00002.list*)
  echo shard >> '%s'
  if [ ! -e '%s.failed' ]; then : > '%s.failed'; echo "lexometer-analyze: flaky" >&2; exit 1; fi;;
esac""" % (log, log, log))
        self.assertMatchesCorpus([], ["--scheduler", self.scheduler, "--shards", "4"], flaky)
        with open(log) as f:
            self.assertEqual(f.read(), "shard\nshard\n")

    def test_second_failure_stops_and_keeps_the_work(self):
        log = os.path.join(self.out, "runs.log")
        broken = write_wrapper(os.path.join(self.out, "broken"), """
case "$1" in --merge)
  echo merge >> '%s'
  echo "lexometer-analyze: the disk is on fire" >&2; exit 1;;
esac""" % log)
        work = os.path.join(self.out, "work")
        cluster, cluster_out = self.cluster_run(
            ["--scheduler", self.scheduler, "--shards", "3", "--fan-in", "2", "--work", work],
            broken)
        stderr = cluster.stderr.decode()
        self.assertEqual(cluster.returncode, 1, stderr)
        self.assertRegex(stderr, r"merge 0 failed on worker tcp://127\.0\.0\.1:\d+: "
                                 r"lexometer-analyze: the disk is on fire")
        with open(log) as f:
            self.assertEqual(f.read(), "merge\nmerge\n")
        self.assertFalse(os.path.exists(cluster_out))
        # The work folder named keeps the partials of the shards the merge
        # read, each complete; the third shard may have been stopped.
        match = re.search(r'the work folder "([^"]+)" keeps what was done', stderr)
        self.assertIsNotNone(match, stderr)
        self.assertEqual(os.path.dirname(match.group(1)), work)
        for name in ("shard-00000.part", "shard-00001.part"):
            with open(os.path.join(match.group(1), name), "rb") as f:
                self.assertEqual(f.read()[-8:], b"LEXO-END")

    def test_other_version_is_refused(self):
        # Only the driver's copy reports another version; the workers run
        # the real one.
        other = write_wrapper(os.path.join(self.out, "other"), """
if [ -z "$LEXOMETER_TEST_WORKER" ] && [ "$1" = --version ]; then
  echo "lexometer-analyze (Lexometer) 3.9.0.0"; exit 0
fi""")
        version = run([ANALYZER, "--version"], self.out).stdout.decode().strip()
        cluster, cluster_out = self.cluster_run(["--scheduler", self.scheduler], other)
        stderr = cluster.stderr.decode()
        self.assertEqual(cluster.returncode, 1, stderr)
        workers = sorted(self.cluster.scheduler_info["workers"])
        match = re.search(r"worker (\S+) differs from this machine in the program version: "
                          r'"(.*)" there, "(.*)" here\.', stderr)
        self.assertIsNotNone(match, stderr)
        self.assertEqual(match.group(1), workers[0])
        self.assertEqual(match.groups()[1:], (version, "lexometer-analyze (Lexometer) 3.9.0.0"))
        self.assertFalse(os.path.exists(cluster_out))


if __name__ == "__main__":
    ANALYZER = os.path.abspath(sys.argv.pop(1))
    unittest.main()
