#!/usr/bin/env python3
# What a blind user hears: the real gateway-finder and Orca, the screen reader, in the private X
# server and D-Bus session of xvfb-run and dbus-run-session, against thirty simulated gateways.
# Keys go in through xdotool as the keyboard sends them; every line Orca speaks is read from its
# debug log. The walk runs in the German edition with German Orca, then in the English translation
# with English Orca. Usage (inside scripts/netns-run --gateways 2): tst_orca.py BUILD_DIR
import codecs, os, pty, re, shutil, subprocess, sys, tempfile, threading, time, tty

build = os.path.abspath(sys.argv[1])
netns = subprocess.run(["ip", "netns", "identify", str(os.getpid())], capture_output=True, text=True).stdout.strip()
if not netns or netns != os.environ.get("GF_NETNS_FINDER"):
    sys.exit("tst_orca: the program broadcasts, so this test runs only inside scripts/netns-run's namespaces")
home = tempfile.mkdtemp(prefix="tst_orca.")
for var, sub in [("HOME", "home"), ("XDG_CONFIG_HOME", "config"), ("XDG_DATA_HOME", "data"),
                 ("XDG_CACHE_HOME", "cache"), ("XDG_RUNTIME_DIR", "run")]:
    os.environ[var] = os.path.join(home, sub)
    os.makedirs(os.environ[var], mode=0o700)
os.makedirs(os.path.join(home, "config/speech-dispatcher"))
os.environ["GSETTINGS_BACKEND"] = "memory"  # nothing of the test's settings outlives it
with open(os.path.join(home, "config/speech-dispatcher/speechd.conf"), "w") as conf:
    conf.write("DisableAutoSpawn\n")  # no speech server: Orca only logs what it would say

GERMAN = dict(lang="de", count="Liste mit 30 Einträgen", of="von", masks="Subnetmaske 255.255.255.0, Gateway",
              selected="ausgewählt", name="Hostname", ip="IP-Adresse", invalid="IP-Adresse: ungültiger Wert",
              refused="Nicht gesendet, ungültig: IP-Adresse", dropped="Änderungen verworfen",
              dhcp="DHCP an, gw30 wird bearbeitet", saved="Gespeichert",
              message="Einstellungen wurden erfolgreich gespeichert!", ok="OK mit der Eingabetaste",
              found="30 Gateways", search="Suchen", close="Schließen")
ENGLISH = dict(lang="en", count="List with 30 items", of="of", masks="Subnet mask 255.255.255.0, gateway",
               selected="selected", name="Host name", ip="IP address", invalid="IP address: invalid value",
               refused="Not sent, invalid: IP address", dropped="Changes discarded", dhcp="DHCP on, editing gw30",
               saved="Saved", message="Settings saved successfully!", ok="OK with Return",
               found="30 gateways", search="Search", close="Close")


class Orca:
    """Orca with its own settings; heard() returns what it spoke since the last call."""

    def __init__(self, lang):
        prefs = tempfile.mkdtemp(dir=home)
        with open(os.path.join(prefs, "user-settings.conf"), "w") as conf:
            conf.write('{"general": {"enablePositionSpeaking": true, "enableBraille": false, "enableSound": false}, '
                       '"profiles": {"default": {"profile": ["Default", "default"]}}, "pronunciations": {}, '
                       '"keybindings": {}}')
        # The debug log goes to a terminal, so that Orca writes it line by line rather than in blocks.
        master, self.terminal = pty.openpty()
        tty.setraw(self.terminal)
        self.log, self.spoken = "", 0
        threading.Thread(target=self.drain, args=(master,), daemon=True).start()
        # Orca refuses to start beside any other process named orca of the same user, even a zombie:
        # in a process namespace of its own it sees none.
        self.process = subprocess.Popen(["unshare", "--pid", "--mount-proc", "--kill-child", "orca",
                                         "--debug-file=" + os.ttyname(self.terminal), "-u", prefs],
                                        env=dict(os.environ, LANGUAGE=lang), stdout=subprocess.DEVNULL,
                                        stderr=subprocess.DEVNULL)
        self.expect("Bildschirmleser an|Screen reader on", timeout=60)

    def drain(self, master):
        decoder = codecs.getincrementaldecoder("utf-8")(errors="replace")
        while chunk := os.read(master, 1 << 16):
            self.log += decoder.decode(chunk)

    def heard(self):
        lines = re.findall(r"SPEECH OUTPUT: '(.*?)'(?: voice=\S+)? ?[\[{]", self.log, re.S)
        new, self.spoken = lines[self.spoken:], len(lines)
        return new

    # Waits until the patterns were spoken, in this order; returns everything heard meanwhile.
    def expect(self, *patterns, timeout=30):
        heard, left, deadline = [], list(patterns), time.monotonic() + timeout
        while left and time.monotonic() < deadline:
            for line in self.heard():
                heard.append(line)
                if left and re.search(left[0], line):
                    left.pop(0)
            time.sleep(0.1)
        if left:
            sys.exit("tst_orca: expected %r to be spoken; heard %r" % (left, heard))
        return heard


def walk(t):
    program = os.path.join(home, t["lang"], "gateway-finder")
    os.makedirs(os.path.join(home, t["lang"], "lang_finder"))
    shutil.copy(os.path.join(build, "gateway-finder"), program)
    if t["lang"] == "en":  # a single translation beside the program is the one it loads
        shutil.copy(os.path.join(build, "translations/finder_en_EN.qm"), os.path.dirname(program) + "/lang_finder")
    orca = Orca(t["lang"])
    processes.append(orca.process)
    finder = subprocess.Popen([program], env=dict(os.environ, QT_QPA_PLATFORM="xcb", LC_ALL="de_DE.UTF-8"),
                              stdout=subprocess.DEVNULL)
    processes.append(finder)
    window = subprocess.run(["xdotool", "search", "--sync", "--onlyvisible", "--pid", str(finder.pid)],
                            capture_output=True, text=True, timeout=60).stdout.split()[0]
    subprocess.run(["xdotool", "windowfocus", "--sync", window])
    row = lambda n, name=None, of="30": [r"^%s, 02:47:46:00:00:%02X, 192\.168\.0\.%d\.?$" % (name or "gw%d" % n, n, 99 + n),
                                         r"^%d %s %s\.?$" % (n, t["of"], of), "^" + t["masks"]]

    def step(keys, *patterns):
        subprocess.run(["xdotool", "key", "--delay", "100"] + keys.split())
        return orca.expect(*patterns)

    # Opening: the list with every gateway, where the keyboard is, then the result of the search.
    opening = orca.expect("^Gateways", t["count"], *row(1), t["found"])
    # Past the twelfth row: Page Down and Down at the bottom edge, a second Page Down, End.
    step("Page_Down", *row(13))
    step("Down", *row(14))
    step("Page_Down", *row(26))
    step("End", *row(30))
    # Whole values; a second F2 after the caret moved still names the field; Escape lands on the row.
    step("F2", "^" + t["name"], "^gw30 " + t["selected"])
    step("End Escape", t["dropped"], *row(30))
    step("F2", "^" + t["name"], "^gw30 " + t["selected"])
    step("Tab", "^" + t["ip"], r"^192\.168\.0\.129 " + t["selected"])
    step("Tab", r"^255\.255\.255\.0 " + t["selected"])
    # An invalid value and the refused Return; BackSpace speaks what it removes, not the whole text.
    step("shift+Tab End a", t["invalid"])
    step("Return", t["refused"])
    heard = step("BackSpace", "^a$")
    step("Escape", t["dropped"], *row(30))
    step("space", t["dhcp"])
    step("Escape", t["dropped"])
    # Applied on the last row of a scrolled list: after the message, the keyboard is on that gateway,
    # also when the searches that follow get the first five replies apart from the rest.
    processes.pop(0).terminate()
    processes.append(simulate(0, "--count", "5"))
    processes.append(simulate(1, "--count", "25", "--first-mac", "02:47:46:00:00:06", "--ip", "192.168.0.105", "--delay", "300",
                         "--names", ",".join("gw%d" % n for n in range(6, 31))))
    step("F2 n e u 3 0 Return", t["saved"], t["message"] + r"\s+" + t["ok"])
    time.sleep(5)  # the two searches that follow a change
    step("Return", *row(30, "neu30"))
    step("Up", *row(29))
    step("F5", *row(1, of=r"\d+"), t["found"])  # said as soon as it answers, with the count so far
    step("Tab", "^" + t["search"])
    heard += step("shift+Tab", "^Gateways", t["count"], *row(1))
    bad = [line for line in opening + heard if re.search(r"12 (Einträgen|items)|von 13|of 13|192\.168\.0\.129a", line)]
    if bad:
        sys.exit("tst_orca: heard %r" % bad)
    step("Tab Tab Tab", "^" + t["close"])
    subprocess.run(["xdotool", "key", "Return"])
    if finder.wait(timeout=20) != 0:
        sys.exit("tst_orca: the window did not end with status 0")


def simulate(namespace, *args):
    return subprocess.Popen(["ip", "netns", "exec", os.environ["GF_NETNS_GATEWAYS"].split()[namespace],
                             os.path.join(build, "gateway-sim"), "--names", "gw"] + list(args))


try:
    for edition in GERMAN, ENGLISH:
        processes = [simulate(0, "--count", "30")]
        try:
            walk(edition)
        finally:
            for process in reversed(processes):
                # Orca first, so that unshare collects it rather than leaving it to init.
                subprocess.run(["pkill", "-TERM", "-P", str(process.pid)])
                process.terminate()
            for process in processes:
                try:
                    process.wait(timeout=10)
                except subprocess.TimeoutExpired:
                    process.kill()
finally:
    shutil.rmtree(home, ignore_errors=True)
print("tst_orca: every expected line was spoken, in German and in English")
