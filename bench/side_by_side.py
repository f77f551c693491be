#!/usr/bin/env python3
"""Opening big files side by side: Quiple against KWrite and FeatherPad, in one run, same files.

    python3 bench/side_by_side.py --quiple build-rel/quiple --sizes 10,50,100 --one-line 10 --runs 3
    python3 bench/side_by_side.py --quiple build-rel/quiple --sizes "" --one-line "" --source 100

Needs Xvfb (and ImageMagick's `import` for --shots); KWrite and FeatherPad are measured when
they are installed (apt-get install -y kwrite featherpad xvfb imagemagick).

What is measured, exactly
-------------------------
Files: text of random words in lines of 60 to 100 characters ending in LF, and one single line of
words separated by spaces with no line break at all. "N MB" is N x 1,048,576 bytes. They are made
once and kept in /tmp/side_by_side_files; each is read through once before the runs, so every
editor opens it from the page cache.

One Xvfb server (1280x1024, 24 bits, no window manager) serves every run. Each editor gets a
home folder of its own (HOME and the XDG folders) that it has already been started in once, with a
small file, and quit from with Ctrl+Q: so no run is a first start (no first-start questions, no
rebuilt caches, no restart of Quiple for its visual-styles file), and since each run works in a
fresh copy of that folder, no run sees what an earlier run left behind (session restore, recovery
copies of a killed editor). Quiple's splash window is switched off (SplashScreen=NO; it holds the
main window back for a fixed time unrelated to the file); its other settings are the defaults.
No D-Bus session bus is offered, so no editor hands the file to another running copy. Runs go
round the editors in turn (Quiple, KWrite, FeatherPad, Quiple, ...) so that a busy spell of the
machine does not fall on one editor only.

"window" is the time from starting the editor's process with the file on its command line until
a visible window whose title holds the file's name exists (Quiple: its main window, which appears
once the file is read; KWrite and FeatherPad may show it before they finish loading).

"ready" is the time from that same start until the editor, having shown that window, has taken
input and has nothing left to do: as soon as the window is seen (windows are looked for every
20 ms) it gets the keyboard focus and Ctrl+End, pressed through the XTEST extension as xdotool
does (the script speaks to the X server itself: starting xdotool for each look takes a tenth of
a second on a busy machine); from then on the CPU time of the window's process (all threads, from
/proc/PID/task/*/schedstat, read every 20 ms) is watched, and "ready" is the start of the first
stretch of at least 200 ms in which that process used less than 5% of one core. So "ready" is
never before the key was sent, and an editor still reading or laying out its file in the
background is not ready. Work the editor leaves to other processes, or to the X server, is not
counted; work it does after a quiet 200 ms (an idle-time pass, say) is not counted either.

What the other editors make of the file is theirs: KWrite opens a line longer than 10,000
characters cut into pieces and read-only, saying so in a bar over the text; FeatherPad opens a
file with such a line read-only ("Uneditable file"), and switches syntax colouring off for a big
file. Quiple opens every file editable.

"cpu s" is the CPU time that process had used when "ready" was seen (user and system, all
threads, ended ones included; /proc/PID/stat, in steps of 10 ms): on a machine busy with other
work it grows far less than the time on the clock does.

"peak MB" is VmHWM of that process (/proc/PID/status: the high-water mark of its resident memory)
read one second after "ready"; then every process of the run is killed (SIGKILL to its process
group and to the window's process), dialogs included.

A run that has not shown the file's window within --timeout seconds is reported as failed, with
the titles of whatever windows the editor showed instead (a question it asked, say). Visible
windows other than the file's window at "ready" are named in a note under the table: a dialog
there means the figure is suspect. --shots DIR keeps a picture of the screen at the end of each
editor's first run of each file, to check by eye that the file is shown and nothing covers it.

Figures are medians over --runs runs; the spread (fastest - slowest) is printed beside them.
The machine's load average is printed before and after, since other work on it slows every editor.
"""

import argparse
import os
import random
import shutil
import signal
import socket
import statistics
import struct
import subprocess
import sys
import tempfile
import time

FILES_DIR = "/tmp/side_by_side_files"
MB = 1 << 20
POLL = 0.02           # seconds between samples of windows and CPU time
QUIET_SPAN = 0.2      # seconds the process must stay quiet
QUIET_SHARE = 0.05    # "quiet": below this share of one core
AFTER_READY = 1.0     # seconds of further sampling before the high-water mark is read

WORDS = ("the of and to in is that for it as was with be by on not he this are or his from at "
         "which but have an they you were her she there been one all we their has would when "
         "if so no will more what out up into do any can than them only other time new some "
         "could these two may first then well should over such like after also most made "
         "between being under never another while last might great old year off come since "
         "against go came right used take three states himself few house use during without "
         "again place around however home small found thought went say part once general high "
         "upon school every don does got united left number course war until always away "
         "something fact though water less public put think almost hand enough far took head "
         "yet government system better set told nothing night end why called didn eyes find "
         "going look asked later knew point next program city business give group toward young "
         "days let room president side social given present several order national possible "
         "rather second face per among form important often things looked early white case "
         "john become large big need four within felt along children saw best church ever "
         "least power development light thing seemed family interest want members mind country "
         "area others done turned although open problem certain kind began different door thus "
         "help means sense whole matter perhaps itself york times human law line above name "
         "example action company hands local show whether five history gave today either act "
         "feet across taken past quite anything seen having death week experience body word "
         "half really field am car words already themselves information tell college shall "
         "money period held keep sure free seems real behind cannot miss political air question "
         "making office brought whose special major heard problems federal became study ago "
         "moment available known result street economic boy reason change south board "
         "individual job areas society west close turn love community true court force full "
         "seem am wife age policy voice control").split()


def make_lines(path, size):
    """size bytes of lines of 60 to 100 characters of words, each ending in LF."""
    rng = random.Random(size)
    with open(path, "wb") as out:
        written = 0
        while written < size:
            words = rng.choices(WORDS, k=20000)
            buf, line, length, want = [], [], -1, rng.randint(59, 88)
            for w in words:
                line.append(w)
                length += len(w) + 1
                if length >= want:
                    text = " ".join(line)
                    buf.append(text[0].upper() + text[1:] + (".\n" if rng.random() < 0.3 else ",\n"))
                    line, length, want = [], -1, rng.randint(59, 88)
            chunk = "".join(buf).encode("ascii")
            chunk = chunk[:size - written]
            if len(chunk) == size - written and not chunk.endswith(b"\n"):
                chunk = chunk[:-1] + b"\n"
            out.write(chunk)
            written += len(chunk)


def make_one_line(path, size):
    """size bytes of words separated by spaces, with no line break."""
    rng = random.Random(-size)
    with open(path, "wb") as out:
        written = 0
        while written < size:
            chunk = (" ".join(rng.choices(WORDS, k=20000)) + " ").encode("ascii")
            chunk = chunk[:size - written]
            out.write(chunk)
            written += len(chunk)


def make_source(path, size):
    """size bytes of C++: functions with comments, block comments, strings and numbers, so that
    every editor that colours source colours it all."""
    rng = random.Random(size + 1)
    with open(path, "wb") as out:
        written, n = 0, 0
        while written < size:
            buf = []
            for _ in range(2000):
                n += 1
                a, b = rng.choices(WORDS, k=2)
                buf.append("/* %s %s: what function %d does,\n   over two lines. */\n"
                           "static int %s_%d(const std::string& %s, int count)\n{\n"
                           "    // %s the %s\n    if (count > %d && %s.size() != 0x%x)\n"
                           "        return std::printf(\"%s %%d\\n\", count);\n"
                           "    return %d; // done\n}\n\n"
                           % (a, b, n, a, n, b, a, b, rng.randint(0, 999), b, n, a, n % 97))
            chunk = "".join(buf).encode("ascii")[:size - written]
            out.write(chunk)
            written += len(chunk)


def test_file(kind, megabytes):
    """The cached test file, made first where it is missing or of the wrong size."""
    os.makedirs(FILES_DIR, exist_ok=True)
    name = {"lines": "lines_%dMB.txt", "one_line": "one_line_%dMB.txt",
            "source": "source_%dMB.cpp"}[kind] % megabytes
    path = os.path.join(FILES_DIR, name)
    size = megabytes * MB
    if not (os.path.isfile(path) and os.path.getsize(path) == size):
        print("making %s ..." % path, flush=True)
        part = path + ".part"
        {"lines": make_lines, "one_line": make_one_line, "source": make_source}[kind](part, size)
        os.replace(part, path)
    with open(path, "rb") as f:          # into the page cache
        while f.read(8 * MB):
            pass
    return path


class Display:
    """One Xvfb for every run."""

    def __init__(self, number):
        args = ["Xvfb", "-screen", "0", "1280x1024x24", "-nolisten", "tcp", "-noreset"]
        if number is None:
            rfd, wfd = os.pipe()
            self.proc = subprocess.Popen(args + ["-displayfd", str(wfd)], pass_fds=(wfd,),
                                         stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL,
                                         start_new_session=True)
            os.close(wfd)
            with os.fdopen(rfd) as r:
                got = r.readline().strip()
            if not got:
                sys.exit("Xvfb did not start")
            self.name = ":" + got
        else:
            self.name = ":%d" % number
            if os.path.exists("/tmp/.X%d-lock" % number):
                sys.exit("display %s is in use (/tmp/.X%d-lock): give another --display, or "
                         "none to take a free one" % (self.name, number))
            self.proc = subprocess.Popen(["Xvfb", self.name] + args[1:],
                                         stdout=subprocess.DEVNULL, stderr=subprocess.PIPE,
                                         start_new_session=True)
            for _ in range(100):
                if self.proc.poll() is not None:
                    sys.exit("Xvfb could not start on %s (is that display in use?): %s"
                             % (self.name, self.proc.stderr.read().decode(errors="replace")))
                try:
                    X(self.name).close()
                    break
                except OSError:
                    pass
                time.sleep(0.05)
            else:
                sys.exit("Xvfb on %s does not answer" % self.name)

    def close(self):
        self.proc.terminate()
        try:
            self.proc.wait(5)
        except subprocess.TimeoutExpired:
            self.proc.kill()
            self.proc.wait()


class X:
    """Just enough of the X protocol, spoken over the display's socket, to find the top-level
    windows, read their titles and process ids, give one the keyboard focus and press keys on
    it through XTEST, as xdotool does, without starting a program for each step: on a busy
    machine that costs a tenth of a second a time, and the editor would wait for it."""

    def __init__(self, display):
        self.sock = socket.socket(socket.AF_UNIX, socket.SOCK_STREAM)
        self.sock.connect("/tmp/.X11-unix/X%s" % display.lstrip(":").split(".")[0])
        self.sock.sendall(struct.pack("<BxHHHH2x", 0x6C, 11, 0, 0, 0))
        head = self._read(8)
        data = self._read(struct.unpack_from("<H", head, 6)[0] * 4)
        if head[0] != 1:
            raise OSError("the X server refused the connection: %r" % data[:head[1]])
        vendor_len, = struct.unpack_from("<H", data, 16)
        formats = data[21]
        self.min_keycode, self.max_keycode = data[26], data[27]
        self.root, = struct.unpack_from("<I", data, 32 + pad4(vendor_len) + 8 * formats)
        self.seq = 0
        self.atoms = {n: self.atom(n) for n in ("_NET_WM_NAME", "WM_NAME", "_NET_WM_PID")}
        self.xtest = self._xtest_opcode()
        self.keycodes = self._keycodes()

    def _read(self, n):
        buf = b""
        while len(buf) < n:
            got = self.sock.recv(n - len(buf))
            if not got:
                raise OSError("the X server closed the connection")
            buf += got
        return buf

    def _send(self, request):
        self.sock.sendall(request)
        self.seq += 1
        return self.seq & 0xFFFF

    def batch(self, requests):
        """Sends requests that each get a reply; their replies (None for an error), in order."""
        want = {self._send(r): i for i, r in enumerate(requests)}
        out = [None] * len(requests)
        while want:
            packet = self._read(32)
            if packet[0] == 1:
                packet += self._read(struct.unpack_from("<I", packet, 4)[0] * 4)
            seq, = struct.unpack_from("<H", packet, 2)
            if packet[0] in (0, 1) and seq in want:
                out[want.pop(seq)] = packet if packet[0] == 1 else None
        return out

    def call(self, request):
        return self.batch([request])[0]

    def sync(self):
        self.call(struct.pack("<BxH", 43, 1))                     # GetInputFocus

    def atom(self, name):
        n = name.encode()
        r = self.call(struct.pack("<BBHH2x", 16, 0, 2 + pad4(len(n)) // 4, len(n))
                      + n.ljust(pad4(len(n)), b"\0"))
        return struct.unpack_from("<I", r, 8)[0]

    def _xtest_opcode(self):
        n = b"XTEST"
        r = self.call(struct.pack("<BxHH2x", 98, 2 + pad4(len(n)) // 4, len(n))
                      + n.ljust(pad4(len(n)), b"\0"))
        if not r[8]:
            raise OSError("the X server has no XTEST extension")
        return r[9]

    def _keycodes(self):
        count = self.max_keycode - self.min_keycode + 1
        r = self.call(struct.pack("<BxHBB2x", 101, 2, self.min_keycode, count))
        per = r[1]
        syms = struct.unpack_from("<%dI" % (count * per), r, 32)
        codes = {}
        for i, sym in enumerate(syms):
            codes.setdefault(sym, self.min_keycode + i // per)
        return codes

    def windows(self):
        """(id, title, pid) of each mapped top-level window."""
        tree = self.call(struct.pack("<BxHI", 15, 2, self.root))
        n, = struct.unpack_from("<H", tree, 16)
        children = struct.unpack_from("<%dI" % n, tree, 32)
        attrs = self.batch([struct.pack("<BxHI", 3, 2, w) for w in children])
        shown = [w for w, a in zip(children, attrs) if a and a[26] == 2]
        props = self.batch([struct.pack("<BBHIIIII", 20, 0, 6, w, self.atoms[p], 0, 0, 1024)
                            for w in shown for p in ("_NET_WM_NAME", "WM_NAME", "_NET_WM_PID")])
        result = []
        for i, w in enumerate(shown):
            net, old, pid = (value(r) for r in props[3 * i:3 * i + 3])
            title = (net or old or b"").decode("utf-8", "replace")
            result.append((w, title, struct.unpack("<I", pid[:4])[0] if pid else None))
        return result

    def focus(self, window):
        self._send(struct.pack("<BBHII", 42, 2, 3, window, 0))     # SetInputFocus, to parent
        self.sync()

    def keys(self, *names):
        """Presses the keys in turn and lets them go in the opposite order."""
        codes = [self.keycodes[KEYSYMS[n]] for n in names]
        for kind, order in ((2, codes), (3, reversed(codes))):
            for code in order:
                self._send(struct.pack("<BBHBB2xII8xHH7xB", self.xtest, 2, 9, kind, code, 0,
                                       0, 0, 0, 0))
        self.sync()

    def close(self):
        self.sock.close()


KEYSYMS = {"ctrl": 0xFFE3, "End": 0xFF57, "q": 0x71}


def pad4(n):
    return (n + 3) & ~3


def value(reply):
    """The bytes of a GetProperty reply's value, or None."""
    if reply is None or reply[1] == 0:
        return None
    n, = struct.unpack_from("<I", reply, 16)
    return reply[32:32 + n * reply[1] // 8]


def cpu_seconds(pid, last):
    """CPU time of the process so far, in seconds, summed over its threads. `last` maps each
    thread to its previous reading, so a thread that ends takes away nothing already counted."""
    try:
        tids = os.listdir("/proc/%d/task" % pid)
    except OSError:
        return None
    for tid in tids:
        try:
            with open("/proc/%d/task/%s/schedstat" % (pid, tid)) as f:
                last[tid] = int(f.read().split()[0]) / 1e9
        except (OSError, ValueError, IndexError):
            pass
    return sum(last.values())


def cpu_total(pid):
    """CPU time the process has used since it started, ended threads included, in seconds."""
    try:
        with open("/proc/%d/stat" % pid) as f:
            fields = f.read().rsplit(")", 1)[1].split()
        return (int(fields[11]) + int(fields[12])) / os.sysconf("SC_CLK_TCK")
    except (OSError, IndexError, ValueError):
        return None


def peak_kb(pid):
    try:
        with open("/proc/%d/status" % pid) as f:
            for line in f:
                if line.startswith("VmHWM:"):
                    return int(line.split()[1])
    except OSError:
        pass
    return None


class Editor:
    def __init__(self, name, program):
        self.name = name
        self.program = program
        self.template = None

    def seed(self, home):
        """Settings written before the editor's very first start."""
        if self.name == "quiple":
            conf = os.path.join(home, ".config", "Quiple")
            os.makedirs(conf, exist_ok=True)
            with open(os.path.join(conf, "Quiple.conf"), "w") as f:
                f.write("[Settings]\nSplashScreen=NO\n")


def home_env(home, display):
    env = {k: v for k, v in os.environ.items()
           if not k.startswith(("QT_", "XDG_", "DBUS_", "KDE_")) and k not in ("SESSION_MANAGER",)}
    env.update(HOME=home, DISPLAY=display,
               XDG_CONFIG_HOME=os.path.join(home, ".config"),
               XDG_DATA_HOME=os.path.join(home, ".local", "share"),
               XDG_CACHE_HOME=os.path.join(home, ".cache"),
               XDG_RUNTIME_DIR=os.path.join(home, "run"))
    os.makedirs(env["XDG_RUNTIME_DIR"], mode=0o700, exist_ok=True)
    return env


def kill_run(proc, pids):
    """Kills the process group started for the run and the window's process, wherever it is."""
    for kill, target in [(os.killpg, proc.pid)] + [(os.kill, p) for p in pids]:
        try:
            kill(target, signal.SIGKILL)
        except OSError:
            pass
    try:
        proc.wait(10)
    except subprocess.TimeoutExpired:
        pass


def log_tail(path, lines=3):
    try:
        with open(path, "rb") as f:
            text = f.read()[-4000:].decode(errors="replace").strip().splitlines()
    except OSError:
        return ""
    return " | ".join(text[-lines:])


def open_once(editor, path, display, x, home, timeout, quit_after=False, shot=None):
    """Starts the editor with the file; returns a dict of the figures or of the failure."""
    env = home_env(home, display)
    name = os.path.basename(path)
    log_path = os.path.join(home, "editor.log")
    with open(log_path, "wb") as log:
        t0 = time.monotonic()
        proc = subprocess.Popen([editor.program, path], env=env, cwd=home, stdout=log,
                                stderr=subprocess.STDOUT, stdin=subprocess.DEVNULL,
                                start_new_session=True)
    pid = None
    result = {}
    try:
        # The file's window; its process may not be the one started (a program that restarts
        # itself starts a new one).
        wid = None
        while wid is None:
            shown = x.windows()
            for w, title, p in shown:
                if name in title and p:
                    wid, pid = w, p
                    break
            if wid is not None:
                break
            code = proc.poll()
            if code not in (None, 0):
                result["error"] = "the editor ended (%s) without showing the file: %s" % (
                    code, log_tail(log_path))
                return result
            if time.monotonic() - t0 > timeout:
                result["error"] = "no window with the file after %d s; shown instead: %s" % (
                    timeout, ", ".join(repr(t) for _, t, _ in shown) or "nothing")
                return result
            time.sleep(POLL)
        t_window = time.monotonic()
        result["window"] = t_window - t0

        x.focus(wid)
        x.keys("ctrl", "End")
        t_key = time.monotonic()

        # The first stretch of QUIET_SPAN in which the process stays under QUIET_SHARE of a core.
        threads = {}
        samples = [(t_key, cpu_seconds(pid, threads))]
        start = 0
        ready = None
        while ready is None:
            time.sleep(POLL)
            now = time.monotonic()
            used = cpu_seconds(pid, threads)
            if used is None:
                result["error"] = "the editor ended before it was ready: %s" % log_tail(log_path)
                return result
            samples.append((now, used))
            while now - samples[start][0] >= QUIET_SPAN:
                t_s, c_s = samples[start]
                if used - c_s < QUIET_SHARE * (now - t_s):
                    ready = t_s
                    break
                start += 1
            if ready is None and now - t0 > timeout:
                result["error"] = "still busy after %d s" % timeout
                return result
        result["ready"] = ready - t0
        result["cpu"] = cpu_total(pid)

        time.sleep(max(0.0, ready + QUIET_SPAN + AFTER_READY - time.monotonic()))
        kb = peak_kb(pid)
        result["peak_mb"] = kb / 1024 if kb else None
        others = [t for w, t, _ in x.windows() if w != wid]     # the display is ours alone
        if others:
            result["others"] = others
        if shot:
            subprocess.run(["import", "-display", display, "-window", "root", shot],
                           stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL, timeout=60)
        if quit_after:
            x.focus(wid)
            x.keys("ctrl", "q")
            for _ in range(200):
                if proc_state(pid) in (None, "Z"):
                    break
                time.sleep(0.05)
            else:
                result["error"] = "Ctrl+Q did not end it"
        return result
    finally:
        kill_run(proc, [pid] if pid else [])


def proc_state(pid):
    try:
        with open("/proc/%d/stat" % pid) as f:
            return f.read().rsplit(")", 1)[1].split()[0]
    except (OSError, IndexError):
        return None


def warm_up(editor, display, x, work, timeout):
    """A home folder the editor has been started in once and quit from."""
    home = os.path.join(work, "template-" + editor.name)
    os.makedirs(home)
    editor.seed(home)
    small = os.path.join(work, "warm_up_%s.txt" % editor.name)
    with open(small, "w") as f:
        f.write("A first start, to get past what an editor does only the first time.\n")
    r = open_once(editor, small, display, x, home, timeout, quit_after=True)
    if "error" in r:
        sys.exit("%s: first start failed: %s" % (editor.name, r["error"]))
    shutil.rmtree(os.path.join(home, "run"), ignore_errors=True)
    editor.template = home


def fresh_home(editor, work, n):
    home = os.path.join(work, "run-%s-%d" % (editor.name, n))
    shutil.copytree(editor.template, home, symlinks=True)
    return home


def load():
    with open("/proc/loadavg") as f:
        return " ".join(f.read().split()[:3])


def fmt(x, spec):
    return format(x, spec) if x is not None else "-"


def main():
    ap = argparse.ArgumentParser(description=__doc__.split("\n")[0],
                                 formatter_class=argparse.RawDescriptionHelpFormatter)
    ap.add_argument("--quiple", required=True, help="the quiple program to measure")
    ap.add_argument("--sizes", default="10,50,100", help="MB of text in lines, comma-separated")
    ap.add_argument("--one-line", default="10", help="MB of a file of one line, comma-separated")
    ap.add_argument("--source", default="", help="MB of C++ source (coloured by every editor), "
                    "comma-separated")
    ap.add_argument("--runs", type=int, default=3)
    ap.add_argument("--editors", default="quiple,kwrite,featherpad",
                    help="which editors, comma-separated (missing ones are left out)")
    ap.add_argument("--display", type=int, default=None,
                    help="number of the X display to start Xvfb on (default: a free one)")
    ap.add_argument("--timeout", type=float, default=300, help="seconds one open may take")
    ap.add_argument("--shots", metavar="DIR", help="keep a screenshot of each editor's first "
                    "run of each file here")
    args = ap.parse_args()

    for tool in ("Xvfb",) + (("import",) if args.shots else ()):
        if not shutil.which(tool):
            sys.exit("%s is needed: apt-get install -y xvfb imagemagick" % tool)
    if not os.access(args.quiple, os.X_OK):
        sys.exit("%s is not a program" % args.quiple)
    known = {"quiple": Editor("quiple", os.path.abspath(args.quiple)),
             "kwrite": Editor("kwrite", shutil.which("kwrite")),
             "featherpad": Editor("featherpad", shutil.which("featherpad"))}
    editors = []
    for name in args.editors.split(","):
        if name not in known:
            sys.exit("unknown editor %r (known: %s)" % (name, ", ".join(known)))
        if known[name].program:
            editors.append(known[name])
        else:
            print("%s is not installed: left out" % name)

    def numbers(text):
        try:
            sizes = [int(x) for x in text.split(",") if x.strip()]
        except ValueError:
            sizes = [0]
        if any(n <= 0 for n in sizes):
            sys.exit("sizes are whole numbers of MB, above 0, separated by commas: %r" % text)
        return sizes
    files = [test_file("lines", n) for n in numbers(args.sizes)] + \
            [test_file("one_line", n) for n in numbers(args.one_line)] + \
            [test_file("source", n) for n in (numbers(args.source) if args.source else [])]
    if args.shots:
        os.makedirs(args.shots, exist_ok=True)

    print("load average before: %s" % load(), flush=True)
    display = Display(args.display)
    x = X(display.name)
    work = tempfile.mkdtemp(prefix="side_by_side.")
    results = {}
    try:
        for e in editors:
            warm_up(e, display.name, x, work, args.timeout)
        n = 0
        for path in files:
            name = os.path.basename(path)
            for run in range(args.runs):
                for e in editors:
                    n += 1
                    home = fresh_home(e, work, n)
                    shot = os.path.join(args.shots, "%s-%s.png" % (name[:-4], e.name)) \
                        if args.shots and run == 0 else None
                    r = open_once(e, path, display.name, x, home, args.timeout, shot=shot)
                    shutil.rmtree(home, ignore_errors=True)
                    results.setdefault((name, e.name), []).append(r)
                    print("  %-20s %-11s run %d: %s" % (name, e.name, run + 1,
                          r.get("error") or "window %.2f s, ready %.2f s, cpu %s s, peak %s MB"
                          % (r["window"], r["ready"], fmt(r["cpu"], ".2f"),
                             fmt(r["peak_mb"], ".0f"))), flush=True)
    finally:
        x.close()
        display.close()
        shutil.rmtree(work, ignore_errors=True)
    print("load average after: %s" % load())

    def median(values):
        values = [v for v in values if v is not None]
        return statistics.median(values) if values else None

    print()
    print("%-20s %-11s %8s %13s %9s %7s %8s" % ("file", "editor", "ready s", "spread s",
                                                 "window s", "cpu s", "peak MB"))
    notes = []
    summary = {}
    for path in files:
        name = os.path.basename(path)
        for e in editors:
            rs = results.get((name, e.name), [])
            good = [r for r in rs if "error" not in r]
            ready = median(r["ready"] for r in good)
            peak = median(r["peak_mb"] for r in good)
            summary[(name, e.name)] = (ready, median(r["cpu"] for r in good), peak)
            spread = "%.2f-%.2f" % (min(r["ready"] for r in good), max(r["ready"] for r in good)) \
                if good else "-"
            failed = len(rs) - len(good)
            print("%-20s %-11s %8s %13s %9s %7s %8s%s" % (
                name, e.name, fmt(ready, ".2f"), spread,
                fmt(median(r["window"] for r in good), ".2f"),
                fmt(median(r["cpu"] for r in good), ".2f"), fmt(peak, ".0f"),
                "  (%d of %d runs failed)" % (failed, len(rs)) if failed else ""))
            for r in rs:
                if "error" in r:
                    notes.append("%s, %s: %s" % (name, e.name, r["error"]))
                if r.get("others"):
                    notes.append("%s, %s: other windows at ready: %s"
                                 % (name, e.name, ", ".join(repr(t) for t in r["others"])))
    if any(e.name == "kwrite" for e in editors) and any(e.name == "quiple" for e in editors):
        print()
        print("Quiple / KWrite")
        for path in files:
            name = os.path.basename(path)
            q, k = summary[(name, "quiple")], summary[(name, "kwrite")]
            print("%-20s ready %6s x   cpu %6s x   peak memory %6s x" % ((name,) + tuple(
                fmt(a / b if a and b else None, ".2f") for a, b in zip(q, k))))
    if notes:
        print()
        print("Notes:")
        for note in dict.fromkeys(notes):
            print("  " + note)


if __name__ == "__main__":
    main()
