#!/usr/bin/python3
# Plays one game keyboard-only under the Orca screen reader and checks what Orca spoke.
# Run through scripts/screenreader.sh, which builds the game and puts this inside its own
# D-Bus session; everything else (X server, window manager, accessibility bus, speech
# server, Orca, the game) is started here and stopped again at the end.
#
# What Orca says is read from its debug log ("SPEECH OUTPUT" lines, each with the time it
# was said), in the forms of Orca 43, 48 and 51; the speech server's own output, captured to a
# file as it happens, tells when Orca has finished speaking after a key, and in which language
# the server was asked to speak each piece. Each step's speech is then the log lines between
# its key and the next step's.
#
# The desktop's language is C or en_US (--desktop). With --italian-voice the game has its own
# voice in Orca, Italian, as a player gives it one with Orca+Ctrl+Space while the game has the
# keyboard; then every clue, verdict and ending must be spoken in Italian too. Without it the
# languages are reported and not checked: which one a reader takes is its own affair.
#
# The play reads the game through the accessibility tree, as Orca does: the clue box
# "Domanda", the answer box "Risposta", the clock "Tempo", the letter asked (the description
# of "Lettera"), the buttons by their text and the discs by their names ("A, corretta"). It
# answers right from the question bank (build/release/tools/giro-bankdump), and checks after
# every key that the game took it as meant, so a failure below is about speech alone.
#
# Exit status: 0 when every clue, verdict and ending was spoken, 1 when one was not, 2 when
# the play itself went wrong (a key lost, the focus elsewhere, a tool missing).

import argparse
import datetime
import json
import os
import re
import signal
import subprocess
import sys
import time
import unicodedata

ROOT = os.path.dirname(os.path.dirname(os.path.abspath(__file__)))
# Set from the command line by configure().
OUT = GAME = BANKDUMP = ORCA_LOG = SPOKEN = TRANSCRIPT = ""
DESKTOP_LOCALES = {"C": "C.UTF-8", "en_US": "en_US.UTF-8"}
# The name Orca files the game's own settings under: the application's accessible name.
APP_NAME = "GIROLETTERA"
# The voice a player picks for the game in Orca's dialog: the language and a person, which is
# a voice the speech server lists (write_speech_config's Italian one).
ITALIAN_VOICE = {"name": "it", "lang": "it", "dialect": ""}

LETTERS = "ABCDEFGHILMNOPQRSTUVZ"
GAME_SECONDS = 160
PASS_KEYWORD = "girolettera"
WRONG_ANSWER = "zzz"
VERDICT_WORDS = {"right": "corretta", "wrong": "sbagliata", "passed": "passata"}
SCORE_HEAD = "PECCATO......SEI RIUSCITO A RISPONDERE A SOLO "
SCORE_TAIL = " DOMANDE!!"
RETRY = "RIPROVA LA PROSSIMA VOLTA!!!"

# Typed into the answer box after GIOCA and moved through before the first answer. The moves,
# each with a word Orca must say with it where one is certain: from the end of the text, the
# word before the caret comes first. The end of the text, and a word asked for there, froze
# the game once.
NAVIGATION_TEXT = "abc def"
ANSWER_BOX_MOVES = [
    ("Ctrl+Left, to the start of def", "ctrl+Left", "def"),
    ("Ctrl+Left, to the start of abc", "ctrl+Left", "abc"),
    ("Ctrl+Right, to the start of def", "ctrl+Right", None),
    ("Right, by a character", "Right", None),
    ("Left, by a character", "Left", None),
    ("End, to the end of the text", "End", None),
    ("Home, to the start", "Home", None),
]
# In the clue box, after a word, by line: Down and Up over a clue the box shows on two lines;
# over one on a single line, Ctrl+Home and Ctrl+End, which Orca reads as moves by line. The
# word move leaves the caret after the first word, at the end of a clue of one word, so Home
# comes first: each of the two then moves the caret.
CLUE_WORD_MOVE = ("Ctrl+Right, by a word in the clue", "ctrl+Right", None)
CLUE_LINE_MOVES_TWO = [("Down, to the clue's second line", "Down", 1), ("Up, back to its first line", "Up", 0)]
CLUE_LINE_MOVES_ONE = [("Ctrl+Home, to the start of the clue's only line", "ctrl+Home", 0),
                       ("Ctrl+End, to its end", "ctrl+End", 0)]

# The first pass: three right, three wrong, three passed, then the rest alternately right
# and wrong, so the pass ends with G, H and I still to answer. Then one second-pass press.
FIRST_PASS = ["right"] * 3 + ["wrong"] * 3 + ["passed"] * 3 + ["right", "wrong"] * 6
SECOND_PASS = [("G", "right")]


# What a page's play checks beyond the desktop's (the names' kinds in Step.names).
NAME = "page: a control's name as the keyboard reaches it"
ASKED = "page: the score and the time as asked for"
READ = "page: the instructions read by line"


class HarnessError(Exception):
    """The play did not go as planned: the speech checks would mean nothing."""


# ---------------------------------------------------------------- output

_transcript = None


def say(text=""):
    print(text, flush=True)
    _transcript.write(text + "\n")


def normalised(text):
    """Case-folded words, punctuation and spacing dropped, so "PECCATO......SEI" and
    "peccato sei" compare equal however the reader handles dots and commas."""
    text = unicodedata.normalize("NFC", text).casefold()
    text = "".join(c if c.isalnum() else " " for c in text)
    return " ".join(text.split())


def contains_words(haystack, needle):
    return f" {normalised(needle)} " in f" {normalised(haystack)} "


def as_written(heard):
    """What Orca said, with its count of a run of repeated symbols ("6 . characters", Orca 51,
    for "......") put back as a gap: the run is still in the text, told rather than read."""
    return re.sub(r" ?\d+ ?[^\w\s]? characters?", " ", heard)


def piece_as_written(piece):
    """as_written() for a piece of the speech server's: it may have split a count at its
    symbol, "PECCATO 6 ." and " charactersSEI RIUSCITO"."""
    piece = as_written(piece)
    piece = re.sub(r" \d+ [^\w\s]\s*$", "", piece)
    return re.sub(r"^\s*characters?", "", piece)


# ---------------------------------------------------------------- processes

class Processes:
    def __init__(self):
        self.started = []  # (name, Popen), in start order

    def start(self, name, argv, env, **kwargs):
        log = open(os.path.join(OUT, name + ".log"), "w")
        proc = subprocess.Popen(argv, env=env, stdout=log, stderr=subprocess.STDOUT,
                                stdin=subprocess.DEVNULL, start_new_session=True, **kwargs)
        self.started.append((name, proc))
        return proc

    def stop(self, name, proc, sig=signal.SIGTERM, grace=5.0):
        if proc.poll() is not None:
            return
        try:
            os.killpg(proc.pid, sig)
        except ProcessLookupError:
            return
        try:
            proc.wait(grace)
        except subprocess.TimeoutExpired:
            print(f"screenreader: {name} (pid {proc.pid}) ignored SIGTERM; killing it", file=sys.stderr)
            os.killpg(proc.pid, signal.SIGKILL)
            proc.wait()

    def stop_all(self):
        for name, proc in self.started:
            if name == "orca":
                self.stop_orca(proc)
        for name, proc in reversed(self.started):
            self.stop(name, proc)
        self.started.clear()

    def stop_orca(self, proc):
        """Stops Orca first, while the X server and the game are still there. Orca writes its
        debug log through a buffer that only a clean exit flushes, so it gets SIGTERM; but
        it handles the signal only when it next runs Python code, which an idle desktop
        never gives it, so a Shift press follows until it has gone."""
        if proc.poll() is not None:
            return
        os.kill(proc.pid, signal.SIGTERM)
        deadline = time.monotonic() + 30
        while time.monotonic() < deadline:
            try:
                proc.wait(0.5)
                return
            except subprocess.TimeoutExpired:
                subprocess.run(["xdotool", "key", "shift"], check=False)
        self.stop("orca", proc)


def start_xvfb(procs):
    read_fd, write_fd = os.pipe()
    procs.start("xvfb", ["Xvfb", "-displayfd", str(write_fd), "-screen", "0", "1024x768x24",
                         "-nolisten", "tcp", "-noreset"],
                os.environ.copy(), pass_fds=(write_fd,))
    os.close(write_fd)
    with os.fdopen(read_fd) as pipe:
        number = pipe.readline().strip()
    if not number:
        raise HarnessError("Xvfb did not start (see build/screenreader/xvfb.log)")
    return ":" + number


def wait_for(what, predicate, timeout, interval=0.2):
    deadline = time.monotonic() + timeout
    while time.monotonic() < deadline:
        value = predicate()
        if value:
            return value
        time.sleep(interval)
    raise HarnessError(f"gave up waiting for {what} after {timeout:.0f} s")


def write_speech_config(config_home):
    folder = os.path.join(config_home, "speech-dispatcher")
    os.makedirs(os.path.join(folder, "modules"), exist_ok=True)
    with open(os.path.join(folder, "speechd.conf"), "w") as conf:
        conf.write('AddModule "capture" "sd_generic" "capture.conf"\n'
                   'DefaultModule capture\n'
                   'AudioOutputMethod "alsa"\n'
                   'AudioALSADevice "null"\n')
    # The module "speaks" by appending the text to a file: no sound device is needed, and
    # the file grows exactly when Orca speaks.
    # Each line begins with the language Orca asked the server to speak it in and the time.
    with open(os.path.join(folder, "modules", "capture.conf"), "w") as conf:
        conf.write(f'GenericExecuteSynth "printf \'lang=%s at=%s %s\\\\n\' \\\'$LANGUAGE\\\' $(date +%s.%N) '
                   f'\\\'$DATA\\\' >> {SPOKEN}"\n'
                   'GenericLanguage "en" "en" "utf-8"\n'
                   'GenericLanguage "it" "it" "utf-8"\n'
                   'AddVoice "en" "MALE1" "en"\n'
                   'AddVoice "it" "FEMALE1" "it"\n')


# ---------------------------------------------------------------- speech

def spoken_size():
    try:
        return os.path.getsize(SPOKEN)
    except FileNotFoundError:
        return 0


def settle(minimum=1.0, quiet=1.2, maximum=10.0):
    """Waits until Orca has had time to react and then has said nothing for `quiet` s."""
    start = time.monotonic()
    time.sleep(minimum)
    size, since = spoken_size(), time.monotonic()
    while time.monotonic() - start < maximum:
        time.sleep(0.1)
        now_size = spoken_size()
        if now_size != size:
            size, since = now_size, time.monotonic()
        elif time.monotonic() - since >= quiet:
            return


# "08:41:22.924803 - SPEECH OUTPUT: 'the text' voice=uppercase{'established': False}" (Orca
# 43), "... 'the text' {'established': False, 'family': {'name': 'it', 'lang': 'it'}}" (Orca 48)
# or "... 'the text'{...}" (Orca 51): the text may hold quotes and line breaks; the voice
# settings close the line, a dictionary that may hold others (the voice's family).
_SPEECH_HEAD = re.compile(r"^(\d\d):(\d\d):(\d\d)\.(\d+) - SPEECH OUTPUT: '")


def speech_text(record):
    """The spoken text of a SPEECH OUTPUT record, or None when the record is not complete."""
    head = _SPEECH_HEAD.match(record)
    if not head:
        return None
    rest = record[head.end():].rstrip()
    if rest.endswith("}"):
        depth = 0
        for i in range(len(rest) - 1, -1, -1):
            depth += {"}": 1, "{": -1}.get(rest[i], 0)
            if depth == 0:
                rest = rest[:i].rstrip()
                break
        else:
            return None
    rest = re.sub(r"\s*voice=\S*$", "", rest)
    return rest[:-1] if rest.endswith("'") else None


def read_orca_speech(day_start):
    """(time, text) for every SPEECH OUTPUT line of the Orca debug log. An utterance that
    spans lines goes on in lines indented by 18 blanks."""
    with open(ORCA_LOG, encoding="utf-8", errors="replace") as log:
        lines = log.read().split("\n")
    records, current = [], None
    for line in lines:
        if current is not None and line.startswith(" " * 18) and speech_text(current) is None:
            current += "\n" + line[18:]
            continue
        if current is not None:
            records.append(current)
        current = line if " - SPEECH OUTPUT: '" in line[:40] else None
    if current is not None:
        records.append(current)

    speech = []
    for record in records:
        text = speech_text(record)
        if text is None:
            continue
        h, m, s, frac = _SPEECH_HEAD.match(record).group(1, 2, 3, 4)
        when = day_start.replace(hour=int(h), minute=int(m), second=int(s),
                                 microsecond=int(frac.ljust(6, "0")[:6]))
        if when < day_start - datetime.timedelta(hours=1):  # the run crossed midnight
            when += datetime.timedelta(days=1)
        speech.append((when, text))
    return speech


def read_spoken_pieces():
    """(time, language, text) for every piece the speech server was given to say."""
    pieces = []
    try:
        with open(SPOKEN, "rb") as spoken:
            raw = spoken.read().splitlines()
    except FileNotFoundError:
        raw = []
    for data in raw:
        # The server hands a language it has no character set for (Orca 48 asks for "c" on a
        # C desktop) its text in Latin-1.
        try:
            line = data.decode("utf-8")
        except UnicodeDecodeError:
            line = data.decode("latin-1")
        match = re.match(r"^lang=(\S*) at=(\d+\.\d+) (.*)$", line)
        if match:
            when = datetime.datetime.fromtimestamp(float(match.group(2)))
            pieces.append((when, match.group(1) or "(none)", match.group(3)))
    return pieces


# ---------------------------------------------------------------- the game through AT-SPI

class GameWindow:
    # The boxes, the current letter and the buttons, which keep their accessible names all
    # game long; the discs' names change with their state and are looked up afresh.
    FIXED = ("Domanda", "Risposta", "Punteggio", "Tempo", "Lettera", "GIOCA", "AVANTI", "ESCI",
             "Istruzioni e informazioni sul gioco")

    def __init__(self):
        import pyatspi
        self.pyatspi = pyatspi
        self.frame = None
        self.fixed = {}

    def find(self):
        desktop = self.pyatspi.Registry.getDesktop(0)
        for app in desktop:
            if app is None:
                continue
            for window in app:
                if window is not None and (window.name or "").startswith("GIROLETTERA"):
                    self.frame = window
                    self.fixed = {obj.name: obj for obj in self._all() if obj.name in self.FIXED}
                    return len(self.fixed) == len(self.FIXED)
        return False

    def application_name(self):
        return self.frame.getApplication().name

    def _all(self):
        out, stack = [], [self.frame]
        while stack:
            obj = stack.pop()
            out.append(obj)
            stack.extend(child for child in obj if child is not None)
        return out

    def has_object_named(self, name):
        return any(obj.name == name for obj in self._all())

    def text(self, name):
        obj = self.fixed[name]
        obj.clearCache()
        return obj.queryText().getText(0, -1)

    def lines(self, name):
        """The lines the box shows, as its text interface gives them line by line."""
        obj = self.fixed[name]
        obj.clearCache()
        text = obj.queryText()
        lines, offset = [], 0
        while offset < text.characterCount and len(lines) < 20:
            line, start, end = text.getTextAtOffset(offset, self.pyatspi.TEXT_BOUNDARY_LINE_START)
            if end <= offset:
                raise HarnessError(f"the {name} box gives no line at offset {offset}")
            lines.append(line)
            offset = end
        return lines

    def letter(self):
        obj = self.fixed["Lettera"]
        obj.clearCache()
        return obj.description

    def focused_name(self):
        for name, obj in self.fixed.items():
            obj.clearCache()
            if obj.getState().contains(self.pyatspi.STATE_FOCUSED):
                return name
        return None


class PageGame(GameWindow):
    """The game in a browser's page, read through the browser's accessibility tree as Orca
    reads it: each window's mirror of its controls, headed by its caption, where the boxes,
    buttons and the clue are named as on the desktop, while a label, a disc or the current
    letter is text ("A, corretta", "Lettera B"). The answer box has two faces: its element in
    the mirror, which holds its text, and Qt's typing field named after it, which holds the
    keyboard while the player types; the field lies outside the windows, at the page's top."""

    def __init__(self):
        super().__init__()
        self.document = None
        self.items = []

    def find(self):
        self.document = None
        desktop = self.pyatspi.Registry.getDesktop(0)
        for app in desktop:
            if app is None or (app.name or "").lower() not in ("chromium", "firefox", "firefox-esr"):
                continue
            self.document = self._find_document(app)
            if self.document:
                break
        if not self.document:
            return False
        self.frame = self.document
        self.items = [obj for obj, _ in self._walk(self.document, limit=800)]
        self.fixed = {obj.name: obj for obj in self.items if obj.name in self.FIXED}
        return set(self.FIXED) - {"Lettera"} <= set(self.fixed)  # the letter is text

    def _find_document(self, app):
        stack = [app]
        seen = 0
        while stack and seen < 3000:
            obj = stack.pop()
            seen += 1
            if obj is None:
                continue
            try:
                if obj.getRole() == self.pyatspi.ROLE_DOCUMENT_WEB:
                    if (obj.name or "").startswith("GIROLETTERA"):
                        return obj
                    continue
                stack.extend(child for child in obj)
            except Exception:  # an object gone while it was read
                continue
        return None

    def _walk(self, top, limit, deepest=1000):
        out, queue = [], [(top, 0)]
        while queue and len(out) < limit:
            obj, depth = queue.pop(0)
            if obj is None:
                continue
            out.append((obj, depth))
            try:
                if depth < deepest:
                    queue.extend((child, depth + 1) for child in obj)
            except Exception:
                continue
        return out

    def _texts(self):
        found = []
        for obj in self.items:
            try:
                obj.clearCache()
                found.append(obj.queryText().getText(0, -1))
            except Exception:  # no text, or gone
                continue
        return found

    def has_object_named(self, name):
        return name in self._texts()

    def letter(self):
        for text in self._texts():
            if match := re.fullmatch(r"Lettera (\w)", text):
                return match.group(1)
        return None

    def focused_name(self):
        name = super().focused_name()
        if name:
            return name
        # Qt's typing field, named after the box it types into, near the top of the page; else a
        # control or a box of text of a window opened since (the instructions).
        for deepest, limit in ((3, 60), (1000, 800)):
            for obj, _ in self._walk(self.document, limit=limit, deepest=deepest):
                try:
                    obj.clearCache()
                    if obj.getState().contains(self.pyatspi.STATE_FOCUSED) and obj.getRole() in (
                            self.pyatspi.ROLE_ENTRY, self.pyatspi.ROLE_PUSH_BUTTON, self.pyatspi.ROLE_ARTICLE):
                        return obj.name
                except Exception:
                    continue
        return None


def xdo(*args):
    subprocess.run(["xdotool", *args], check=True)


def chord(keys):
    """Presses "ctrl+Left" as a player does, the modifier held down until the key is up: a
    reader takes a caret move for a move by word only while Ctrl is down, and xdotool's own
    chord may let Ctrl go first."""
    modifiers, _, key = keys.rpartition("+")
    if not modifiers:
        xdo("key", key)
        return
    xdo("keydown", modifiers)
    time.sleep(0.05)
    xdo("key", key)
    time.sleep(0.05)
    xdo("keyup", modifiers)


# ---------------------------------------------------------------- the play

class Step:
    """One key or wait of the play: its parts (a label, when it began, whether the speech
    during it is checked), what must be heard and, once checked, what was."""

    def __init__(self, title, kind=None):
        self.title = title
        self.kind = kind  # right, wrong, passed or second pass, for AVANTI steps
        self.parts = []
        self.expect_verdict = None  # the answered letter's disc name, "A, corretta"
        self.expect_letter = None  # the letter asked next
        self.expect_clue = None  # its clue, as the clue box shows it
        self.expect_message = None  # the closing message, at the end
        self.said = {}  # part label -> utterances
        self.checks = []  # (requirement, expected text, heard or not)
        self.moves = {}  # for a move through a box: part label -> a word it must say, or None
        self.clock = None  # for the moves: (seconds shown before, after, seconds that passed)
        self.pieces = {}  # part label -> (language, text) the speech server was given
        self.languages = []  # (clue, verdict or ending, the text, the languages it was said in)
        self.names = []  # in a page: (part label, a name or value that must be said in it, what it is)
        self.quiet = []  # in a page: part labels during which nothing may be said

    def mark(self, label, checked=False):
        self.parts.append((label, datetime.datetime.now(), checked))


def load_bank():
    out = subprocess.run([BANKDUMP], check=True, capture_output=True).stdout.decode("utf-8")
    bank = {}
    for line in out.splitlines():
        letter, clue, answer = line.split("\t")
        bank[(letter, clue)] = answer
    if len(bank) != 210:
        raise HarnessError(f"giro-bankdump gave {len(bank)} distinct entries, not 210")
    return bank


def play(window, bank, opening, page=False):

    def type_answer(step, typed):
        for attempt in range(2):
            if attempt:
                xdo("key", "ctrl+a", "BackSpace")
            xdo("type", "--delay", "40", typed)
            settle(minimum=0.3, quiet=0.8)
            if window.text("Risposta") == typed:
                return
        raise HarnessError(f"{step.title}: typed {typed!r} twice but the answer box holds "
                           f"{window.text('Risposta')!r}")

    def move_focus(key, times, to, title):
        """Presses Tab or Shift+Tab `times` times, as a player does, and checks where it led."""
        for _ in range(times):
            xdo("key", key)
            time.sleep(0.3)
        settle(minimum=0.5, quiet=0.8)
        if window.focused_name() != to:
            raise HarnessError(f"{title}: {key} {times} times reached {window.focused_name()!r}, not {to}")

    def tab_to(step, label, key, times, name):
        """A checked move of the keyboard to the control `name`, which must be said."""
        step.mark(label, checked=True)
        move_focus(key, times, name, step.title)
        step.names.append((step.parts[-1][0], name, NAME))

    def press_space(step, label="Space", quiet=1.0):
        step.mark(label, checked=True)
        xdo("key", "space")
        settle(minimum=1.0, quiet=quiet)

    def press_avanti(step):
        step.mark("Shift+Tab Shift+Tab")
        move_focus("shift+Tab", 2, "AVANTI", step.title)
        step.mark("Space", checked=True)
        xdo("key", "space")
        settle()
        if page:
            step.names += [("Shift+Tab Shift+Tab", "AVANTI", NAME), ("Space", "Risposta", NAME)]

    # In a page, the score and the time as a reader asks for them, moving the keyboard to their
    # boxes: each is said with its name and value, and the time then goes on without a word.
    # From the answer box Tab goes to ESCI and, GIOCA being disabled, to the score.
    def ask_score_and_time(score):
        step = Step("the score and the time, asked for")
        step.mark("Tab Tab, to the score", checked=True)
        move_focus("Tab", 2, "Punteggio", step.title)
        step.names += [(step.parts[-1][0], "Punteggio", NAME), (step.parts[-1][0], str(score), ASKED)]
        step.mark("Tab, to the time", checked=True)
        xdo("key", "Tab")
        settle(minimum=0.5, quiet=0.8)
        shown = window.text("Tempo")
        step.names += [(step.parts[-1][0], "Tempo", NAME),
                       (step.parts[-1][0], " or ".join(str(int(shown) + k) for k in range(0, 3)), ASKED)]
        step.mark("three seconds on the time", checked=True)
        step.quiet.append(step.parts[-1][0])
        time.sleep(3.5)
        step.mark("Shift+Tab three times, back to the answer box")
        move_focus("shift+Tab", 3, "Risposta", step.title)
        return step

    # In a page, the instructions opened once the game is over and read by line, then closed:
    # from the answer box, Tab goes to ESCI, the score, the time and then their button.
    def read_instructions():
        step = Step("the instructions")
        tab_to(step, "Tab four times, to their button", "Tab", 4, "Istruzioni e informazioni sul gioco")
        press_space(step)
        step.names.append((step.parts[-1][0], "Istruzioni", NAME))
        # Each box opens at its heading; Down reads the lines after it.
        for line in ("Per iniziare cliccare", "su gioca"):
            step.mark(f"Down, to the line {line!r}", checked=True)
            xdo("key", "Down")
            settle(minimum=0.5, quiet=0.8)
            step.names.append((step.parts[-1][0], line, READ))
        tab_to(step, "Tab, to the other box", "Tab", 1, "Informazioni")
        step.mark("Down, to the line 'Questo gioco è una riproduzione'", checked=True)
        xdo("key", "Down")
        settle(minimum=0.5, quiet=0.8)
        step.names.append((step.parts[-1][0], "Questo gioco è una riproduzione", READ))
        tab_to(step, "Tab, to the return button", "Tab", 1, "Torna al gioco")
        press_space(step, "Space, back to the game")
        step.names.append((step.parts[-1][0], "Istruzioni e informazioni sul gioco", NAME))
        return step

    # In a page, ESCI at the very end: the page says its closing words in place of the windows.
    # From the instructions' button Shift+Tab goes back by the time and the score to ESCI.
    def press_esci():
        step = Step("ESCI")
        tab_to(step, "Shift+Tab three times, to ESCI", "shift+Tab", 3, "ESCI")
        press_space(step, quiet=1.5)
        step.names.append((step.parts[-1][0], "Partita finita. Ricarica la pagina per giocare di nuovo.",
                           "ESCI: the page's closing words"))
        return step

    settle(minimum=0.5)
    steps = [opening]

    gioca = Step("GIOCA")
    gioca.mark("Tab Tab Tab")
    move_focus("Tab", 3, "GIOCA", gioca.title)
    gioca.mark("Space", checked=True)
    xdo("key", "space")
    started = time.monotonic()
    settle()
    if window.focused_name() != "Risposta":
        raise HarnessError(f"after GIOCA the focus is on {window.focused_name()!r}, not the answer box")
    gioca.expect_letter = "A"
    gioca.expect_clue = window.text("Domanda")
    if page:
        gioca.names += [("Tab Tab Tab", "Risposta", NAME), ("Tab Tab Tab", "ESCI", NAME),
                        ("Tab Tab Tab", "GIOCA", NAME), ("Space", "Risposta", NAME)]
    steps.append(gioca)

    # Moving through the answer box by character and by word, as a player checks what was
    # typed, then through the clue box by line and by word: Orca asks the box for the piece
    # at the caret after each key, at the end of the text too, and must say it while the
    # clock goes on.
    moves = Step("moving through the boxes")
    shown_before, moved_at = int(window.text("Tempo")), time.monotonic()
    moves.mark(f'type "{NAVIGATION_TEXT}"')
    type_answer(moves, NAVIGATION_TEXT)

    def move(label, key, word=None):
        moves.mark(label, checked=True)
        moves.moves[label] = word
        chord(key)
        settle(minimum=0.4, quiet=0.8, maximum=6.0)

    for label, key, word in ANSWER_BOX_MOVES:
        move(label, key, word)
    if window.text("Risposta") != NAVIGATION_TEXT:
        raise HarnessError(f"moving through the answer box changed it to {window.text('Risposta')!r}")
    moves.mark("Shift+Tab to the clue box")
    xdo("key", "shift+Tab")
    settle(minimum=0.5, quiet=0.8)
    if window.focused_name() != "Domanda":
        raise HarnessError(f"Shift+Tab from the answer box reached {window.focused_name()!r}, not the clue box")
    lines = window.lines("Domanda")
    move(*CLUE_WORD_MOVE)
    for label, key, line in CLUE_LINE_MOVES_TWO if len(lines) > 1 else CLUE_LINE_MOVES_ONE:
        move(label, key, lines[line])
    moves.mark("Tab back, the answer box emptied")
    xdo("key", "Tab")
    time.sleep(0.3)
    xdo("key", "ctrl+a", "BackSpace")
    settle(minimum=0.5, quiet=0.8)
    if window.focused_name() != "Risposta" or window.text("Risposta"):
        raise HarnessError(f"after the moves the focus is on {window.focused_name()!r} and the answer box "
                           f"holds {window.text('Risposta')!r}")
    moves.clock = (shown_before, int(window.text("Tempo")), time.monotonic() - moved_at)
    steps.append(moves)

    plan = list(zip(LETTERS, FIRST_PASS)) + SECOND_PASS
    score = 0
    for number, (letter, kind) in enumerate(plan):
        second = number >= len(LETTERS)
        step = Step(f"AVANTI {letter} ({kind}{', second pass' if second else ''})",
                    "second pass" if second else kind)
        on_show = window.letter()
        clue = window.text("Domanda")
        if on_show != letter:
            raise HarnessError(f"{step.title}: the game asks {on_show!r}, not {letter}")
        if kind == "right":
            typed = bank.get((letter, clue))
            if typed is None:
                raise HarnessError(f"{step.title}: clue {clue!r} is not in the bank under {letter}")
            score += 1
        else:
            typed = PASS_KEYWORD if kind == "passed" else WRONG_ANSWER
        step.mark(f'type "{typed}"')
        type_answer(step, typed)
        press_avanti(step)
        step.expect_verdict = f"{letter}, {VERDICT_WORDS[kind]}"
        if not window.has_object_named(step.expect_verdict):
            raise HarnessError(f"{step.title}: no disc reads {step.expect_verdict!r} after the press")
        if second or letter == "Z":
            step.expect_letter = "H" if second else "G"
        else:
            step.expect_letter = LETTERS[LETTERS.index(letter) + 1]
        if window.letter() != step.expect_letter:
            raise HarnessError(f"{step.title}: the game now asks {window.letter()!r}, "
                               f"not {step.expect_letter}")
        step.expect_clue = window.text("Domanda")
        steps.append(step)

    elapsed = time.monotonic() - started
    if elapsed > GAME_SECONDS - 5:
        raise HarnessError(f"the presses took {elapsed:.0f} s: the clock ran out before they were done")
    say(f"screenreader: GIOCA and {len(plan)} AVANTI presses took {elapsed:.0f} s of the {GAME_SECONDS}")
    if page:
        steps.append(ask_score_and_time(score))

    ending = Step("time-out")
    ending.mark(f"wait for the clock ({GAME_SECONDS - elapsed:.0f} s left)", checked=True)
    wait_for("the time-out", lambda: window.text("Tempo") == "tempo scaduto",
             GAME_SECONDS - elapsed + 15, interval=0.5)
    settle(minimum=1.5, quiet=1.5)
    message = SCORE_HEAD + str(score) + SCORE_TAIL
    if window.text("Domanda") != message:
        raise HarnessError(f"the clue box shows {window.text('Domanda')!r} at the end, not {message!r}")
    ending.expect_message = message
    if page:
        ending.names.append((ending.parts[0][0], "tempo scaduto", "ending: the clock ran out"))
    steps.append(ending)
    ending_focus = window.focused_name()
    ending.mark(f"end (focus on {ending_focus})")
    if page:
        steps.append(read_instructions())
        steps.append(press_esci())
    return steps


# ---------------------------------------------------------------- checks and report

def check(steps, speech, pieces):
    """Gives each step the utterances said during it, and the pieces the speech server was
    given then, and records the checks and the languages."""
    marks = [(when, step, label, checked) for step in steps for label, when, checked in step.parts]
    marks.sort(key=lambda m: m[0])
    for step in steps:
        step.said = {label: [] for label, _, _ in step.parts}
        step.pieces = {label: [] for label, _, _ in step.parts}

    def owner(when):
        found = None
        for mark in marks:
            if mark[0] <= when:
                found = mark
        return found

    for when, text in speech:
        if mark := owner(when):
            mark[1].said[mark[2]].append(text)
    for when, language, text in pieces:
        if mark := owner(when):
            mark[1].pieces[mark[2]].append((language, text))

    for step in steps:
        heard = as_written(" ".join(text for label, _, checked in step.parts if checked for text in step.said[label]))
        for label, expected, what in step.names:
            heard_there = as_written(" ".join(step.said[label]))
            step.checks.append((what, f"{label}: {expected}",
                                any(contains_words(heard_there, alternative) for alternative in expected.split(" or "))))
        for label in step.quiet:
            step.checks.append(("page: the time goes on without a word", label, not step.said[label]))
        if step.title in ("the score and the time, asked for", "the instructions", "ESCI"):
            continue
        if step.title == "start":
            continue
        if step.moves:
            for label, piece in step.moves.items():
                heard_there = " ".join(step.said[label])
                if piece is None:
                    step.checks.append(("moves: something said", label, bool(normalised(heard_there))))
                else:
                    what = "the line" if " " in piece.strip() else "the word"
                    step.checks.append((f"moves: {what} at the caret", f"{label}: {piece}",
                                        contains_words(heard_there, piece)))
            before, after, seconds = step.clock
            step.checks.append(("moves: the clock went on", f"{before} s left, then {after} s, "
                                f"{seconds:.0f} s later", before - after >= max(1, int(seconds) - 2)))
            continue
        said_pieces = [piece for label, _, checked in step.parts if checked for piece in step.pieces[label]]
        if step.title == "time-out":
            step.checks.append(("ending: closing message", step.expect_message,
                                contains_words(heard, step.expect_message)))
            step.checks.append(("ending: retry line", RETRY, contains_words(heard, RETRY)))
            step.languages = [("ending", text, languages_of(text, said_pieces))
                              for text in (step.expect_message, RETRY)]
            continue
        kind = "GIOCA" if step.title == "GIOCA" else f"AVANTI, {step.kind}"
        if step.names:  # a page's: what the game says is said once
            said_clue = f" {normalised(heard)} ".count(f" {normalised(step.expect_clue)} ")
            step.checks.append(("page: the clue said once", step.expect_clue, said_clue == 1))
        rest = normalised(heard)
        if step.expect_verdict is not None:
            found = contains_words(heard, step.expect_verdict)
            step.checks.append((f"{kind}: verdict", step.expect_verdict, found))
            rest = f" {rest} ".replace(f" {normalised(step.expect_verdict)} ", " ")
        found = contains_words(rest, step.expect_clue)
        step.checks.append((f"{kind}: whole clue", step.expect_clue, found))
        rest = f" {rest} ".replace(f" {normalised(step.expect_clue)} ", " ")
        # The letter is one word; apart from the verdict and the clue, it must still be heard.
        step.checks.append((f"{kind}: next letter", step.expect_letter,
                            contains_words(rest, step.expect_letter)))
        step.languages = [("clue", step.expect_clue, languages_of(step.expect_clue, said_pieces))]
        if step.expect_verdict is not None:
            step.languages.insert(0, ("verdict", step.expect_verdict,
                                      languages_of(step.expect_verdict, said_pieces)))


def languages_of(text, pieces):
    """The languages the speech server was asked for while `text` was said: the server may be
    given it in pieces (a sentence each), or within a longer one."""
    wanted = f" {normalised(text)} "
    found = set()
    for language, piece in pieces:
        said = normalised(piece_as_written(piece))
        if said and (f" {said} " in wanted or wanted in f" {said} "):
            found.add(language)
    return found


def report(steps, italian_voice):
    for step in steps:
        say(f"== {step.title} ==")
        for label, _, checked in step.parts:
            texts = step.said[label]
            spoken = " | ".join(repr(t) for t in texts) if texts else "(silence)"
            say(f"  {label}{' [checked]' if checked else ''}: {spoken}")
        for requirement, expected, found in step.checks:
            say(f"  {'ok     ' if found else 'MISSING'} {requirement}: {expected!r}")
        for what, text, languages in step.languages:
            say(f"  in {', '.join(sorted(languages)) or '(not found)'}: {what} {text!r}")
        say()

    say("== verdict ==")
    totals = {}
    for step in steps:
        for requirement, _, found in step.checks:
            heard, asked = totals.get(requirement, (0, 0))
            totals[requirement] = (heard + found, asked + 1)
    failed = False
    for requirement, (heard, asked) in totals.items():
        good = heard == asked
        failed |= not good
        say(f"  {'PASS' if good else 'FAIL'}  {requirement}: spoken {heard} of {asked}")
    # The languages the speech server was asked for: "it 20, en 3 of 23" for the clues.
    # Where the game has its own Italian voice, Italian is a requirement.
    for what in ("clue", "verdict", "ending"):
        said = [languages for step in steps for kind, _, languages in step.languages if kind == what]
        counts = {}
        for languages in said:
            key = "+".join(sorted(languages)) or "(not found)"
            counts[key] = counts.get(key, 0) + 1
        summary = ", ".join(f"{key} {count}" for key, count in sorted(counts.items()))
        if italian_voice:
            italian = counts.get("it", 0)
            failed |= italian != len(said)
            say(f"  {'PASS' if italian == len(said) else 'FAIL'}  {what} in Italian: "
                f"{italian} of {len(said)} ({summary})")
        else:
            say(f"  language of each {what}: {summary} of {len(said)}")
    return failed


def serve(folder):
    """The site on 127.0.0.1, from a thread of this process; its address."""
    import functools
    import http.server
    import threading

    class Handler(http.server.SimpleHTTPRequestHandler):
        extensions_map = {**http.server.SimpleHTTPRequestHandler.extensions_map,
                          ".wasm": "application/wasm", ".webmanifest": "application/manifest+json"}

        def log_message(self, *args):
            pass

    server = http.server.ThreadingHTTPServer(("127.0.0.1", 0), functools.partial(Handler, directory=folder))
    threading.Thread(target=server.serve_forever, daemon=True).start()
    return f"http://127.0.0.1:{server.server_address[1]}/"


def browser_command(browser, url, env):
    """The browser opening the page, with its accessibility on for Orca and a profile of this
    run's own that calls nowhere."""
    profile = os.path.join(env["HOME"], browser)
    os.makedirs(profile, exist_ok=True)
    if browser == "firefox":
        with open(os.path.join(profile, "user.js"), "w") as prefs:
            for name, value in (("accessibility.force_disabled", "-1"), ("browser.shell.checkDefaultBrowser", "false"),
                                ("datareporting.policy.dataSubmissionEnabled", "false"),
                                ("browser.aboutwelcome.enabled", "false"), ("app.update.enabled", "false"),
                                ("browser.startup.homepage_override.mstone", '"ignore"')):
                prefs.write(f"user_pref(\"{name}\", {value});\n")
        return ["firefox-esr", "--no-remote", "--profile", profile, url]
    return ["chromium", "--no-sandbox", "--force-renderer-accessibility", "--no-first-run", "--disable-gpu",
            "--disable-background-networking", "--disable-component-update", "--disable-sync",
            "--window-size=1000,740", f"--user-data-dir={profile}", url]


def configure():
    global OUT, GAME, BANKDUMP, ORCA_LOG, SPOKEN, TRANSCRIPT
    parser = argparse.ArgumentParser(description="One game played keyboard-only under Orca.")
    parser.add_argument("--out", required=True, help="the folder for the logs and the transcript")
    parser.add_argument("--build", required=True, help="the game's release build folder")
    parser.add_argument("--desktop", choices=sorted(DESKTOP_LOCALES), default="C",
                        help="the desktop's language")
    parser.add_argument("--italian-voice", action="store_true",
                        help="the game has its own Italian voice in Orca")
    parser.add_argument("--browser", choices=("firefox", "chromium"),
                        help="play the web build in this browser instead of the desktop game")
    parser.add_argument("--site", help="the web build's site (build/web/site), with --browser")
    args = parser.parse_args()
    if bool(args.browser) != bool(args.site):
        parser.error("--browser and --site go together")
    OUT = os.path.abspath(args.out)
    GAME = os.path.join(os.path.abspath(args.build), "src", "ui", "girolettera")
    BANKDUMP = os.path.join(os.path.abspath(args.build), "tools", "giro-bankdump")
    ORCA_LOG = os.path.join(OUT, "orca-debug.log")
    SPOKEN = os.path.join(OUT, "speech-dispatcher-output.txt")
    TRANSCRIPT = os.path.join(OUT, "transcript.txt")
    return args


def orca_version():
    out = subprocess.run(["orca", "--version"], capture_output=True, text=True).stdout
    match = re.search(r"(\d+)\.(\d+)", out)
    return (int(match.group(1)), int(match.group(2))) if match else (0, 0)


def share_environment_with_bus(env):
    """Services that the session bus starts on demand (the settings service, which the
    accessibility bus's launcher already asks for) get the bus's environment: they must keep
    to this run's home folders, where Orca reads."""
    from gi.repository import Gio, GLib
    names = ("HOME", "XDG_CONFIG_HOME", "XDG_DATA_HOME", "XDG_CACHE_HOME", "XDG_RUNTIME_DIR", "LANG", "LC_ALL")
    Gio.bus_get_sync(Gio.BusType.SESSION).call_sync(
        "org.freedesktop.DBus", "/org/freedesktop/DBus", "org.freedesktop.DBus", "UpdateActivationEnvironment",
        GLib.Variant("(a{ss})", ({name: env[name] for name in names},)), None, Gio.DBusCallFlags.NONE, -1, None)


def give_game_italian_voice(env):
    """Sets what Orca's dialog for the game's own settings (Orca+Ctrl+Space with the game
    focused) sets when the player picks the language Italian and a person for the default
    voice. Orca 43 and 48 keep it in a file named after the application, Orca 51 in GSettings
    under the application's name."""
    folder = os.path.join(env["XDG_DATA_HOME"], "orca", "app-settings")
    os.makedirs(folder, exist_ok=True)
    # The dialog saves all four voices; the others keep Orca's own defaults.
    voices = {"default": {"established": True, "family": dict(ITALIAN_VOICE, variant=None)},
              "uppercase": {"average-pitch": 7.0}, "hyperlink": {}, "system": {}}
    with open(os.path.join(folder, APP_NAME + ".conf"), "w") as conf:
        json.dump({"profiles": {"default": {"general": {"voices": voices},
                                            "pronunciations": {}, "keybindings": {}}}}, conf, indent=4)
    # GSettings through dconf, whose service the session bus starts; a schema that Orca 43
    # and 48 lack leaves this out.
    script = """
import sys
from gi.repository import Gio
schema = "org.gnome.Orca.Voice"
source = Gio.SettingsSchemaSource.get_default()
if source is None or source.lookup(schema, True) is None:
    sys.exit(0)
path = "/org/gnome/orca/default/apps/" + sys.argv[1].lower() + "/voice-sets/primary/default/"
settings = Gio.Settings.new_with_path(schema, path)
for key, value in (("family-name", sys.argv[2]), ("family-lang", sys.argv[3]), ("family-dialect", "")):
    settings.set_string(key, value)
settings.set_boolean("established", True)
Gio.Settings.sync()
print(path)
"""
    done = subprocess.run(["/usr/bin/python3", "-c", script, APP_NAME, ITALIAN_VOICE["name"], ITALIAN_VOICE["lang"]],
                          env=env, capture_output=True, text=True)
    if done.returncode:
        raise HarnessError(f"could not set the game's voice in GSettings: {done.stderr.strip()}")


def main():
    global _transcript
    args = configure()
    os.makedirs(OUT, exist_ok=True)
    _transcript = open(TRANSCRIPT, "w")
    for tool in ("Xvfb", "openbox", "orca", "speech-dispatcher", "xdotool"):
        if subprocess.run(["sh", "-c", f"command -v {tool}"], capture_output=True).returncode:
            say(f"screenreader: {tool} is missing (scripts/install-deps.sh --screenreader)")
            return 2
    others = subprocess.run(["pgrep", "-u", str(os.getuid()), "-x", "orca"], capture_output=True, text=True)
    if others.stdout.strip():
        say(f"screenreader: Orca is already running (pid {' '.join(others.stdout.split())}); "
            "it refuses to start a second time for the same user")
        return 2

    home = os.path.join(OUT, "home")
    env = os.environ.copy()
    env.update({
        "HOME": home,
        "XDG_CONFIG_HOME": os.path.join(home, "config"),
        "XDG_DATA_HOME": os.path.join(home, "data"),
        "XDG_CACHE_HOME": os.path.join(home, "cache"),
        "XDG_RUNTIME_DIR": os.path.join(OUT, "run"),
        "LANG": DESKTOP_LOCALES[args.desktop],
        "LC_ALL": DESKTOP_LOCALES[args.desktop],
        # Qt's accessibility bridge also comes on by itself when the bus says a screen reader
        # is running, which Orca announces at start; this keeps the tree there regardless.
        "QT_LINUX_ACCESSIBILITY_ALWAYS_ON": "1",
        "QT_QPA_PLATFORM": "xcb",
    })
    env.pop("WAYLAND_DISPLAY", None)
    for var in ("XDG_CONFIG_HOME", "XDG_DATA_HOME", "XDG_CACHE_HOME", "XDG_RUNTIME_DIR"):
        os.makedirs(env[var], mode=0o700, exist_ok=True)
    write_speech_config(env["XDG_CONFIG_HOME"])

    procs = Processes()
    day_start = datetime.datetime.now()
    try:
        env["DISPLAY"] = start_xvfb(procs)
        say(f"screenreader: playing one game under Orca on display {env['DISPLAY']} (about three minutes)")
        os.environ.update(env)  # for pyatspi and xdotool in this process
        share_environment_with_bus(env)
        procs.start("at-spi-bus-launcher", ["/usr/libexec/at-spi-bus-launcher", "--launch-immediately"], env)
        # A window manager is needed, or Orca never hears that the game's window is active.
        procs.start("openbox", ["openbox", "--sm-disable"], env)
        # An Italian keyboard has à è ì ò ù on keys of their own; typed on another layout,
        # xdotool must remap a key for each and the first one is sometimes lost.
        subprocess.run(["setxkbmap", "it"], env=env, check=True)
        socket = os.path.join(env["XDG_RUNTIME_DIR"], "speech-dispatcher", "speechd.sock")
        procs.start("speech-dispatcher", ["speech-dispatcher", "--run-single", "--timeout", "0"], env)
        wait_for("the speech server's socket", lambda: os.path.exists(socket), 15)
        if args.italian_voice:
            give_game_italian_voice(env)
        orca = procs.start("orca", ["orca", "--debug-file", ORCA_LOG], env)
        wait_for("Orca to speak", lambda: orca.poll() is None and spoken_size() > 0, 30)
        settle(minimum=0.5)
        if orca.poll() is not None:
            raise HarnessError("Orca exited at start (see orca.log beside the transcript)")
        bank = load_bank()

        opening = Step("start")
        opening.mark("the game opens")
        if args.browser:
            subprocess.run(["gsettings", "set", "org.gnome.desktop.interface", "toolkit-accessibility", "true"],
                           env=env, check=False)
            site = serve(args.site)
            procs.start(args.browser, browser_command(args.browser, site, env), env)
            window = PageGame()
            wait_for("the game's page in the accessibility tree", window.find, 90, interval=1.0)
        else:
            procs.start("girolettera", [GAME], env)
            window = GameWindow()
            wait_for("the game's window in the accessibility tree", window.find, 30)
        if not args.browser and window.application_name() != APP_NAME:
            raise HarnessError(f"the game's application is named {window.application_name()!r} on the bus, "
                               f"not {APP_NAME!r}: its voice in Orca would be filed under another name")
        wait_for("the focus on the clue box", lambda: window.focused_name() == "Domanda", 15)
        steps = play(window, bank, opening, page=bool(args.browser))
        if orca.poll() is not None:
            raise HarnessError("Orca exited during the game (see orca.log beside the transcript)")
    except Exception as error:  # a harness error, or the game or the bus gone mid-play
        procs.stop_all()
        say(f"screenreader: {error}" if isinstance(error, HarnessError)
            else f"screenreader: the play broke off: {type(error).__name__}: {error}")
        if os.path.exists(ORCA_LOG):
            say("What Orca said up to then:")
            for _, text in read_orca_speech(day_start):
                say(f"  {text!r}")
        return 2
    finally:
        procs.stop_all()

    speech = read_orca_speech(day_start)
    written = sum(" - SPEECH OUTPUT: '" in line[:40] for line in open(ORCA_LOG, encoding="utf-8", errors="replace"))
    if written and not speech:
        say(f"screenreader: none of the {written} SPEECH OUTPUT lines of Orca's log could be read")
        return 2
    check(steps, speech, read_spoken_pieces())
    failed = report(steps, args.italian_voice)
    say(f"\nOrca's log: {os.path.relpath(ORCA_LOG, ROOT)}; "
        f"this transcript: {os.path.relpath(TRANSCRIPT, ROOT)}")
    return 1 if failed else 0


if __name__ == "__main__":
    sys.exit(main())
