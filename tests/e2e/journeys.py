#!/usr/bin/python3
"""End-to-end journeys through the real Wordaroo program: a child choosing and taking
tests, an adult making one, the password, the arcade games, leaving the program.

Usage (CTest runs one journey per test):
    WORDAROO_APPDIR=<build>/Wordaroo dbus-run-session -- /usr/bin/python3 journeys.py [journey...]
"""

import configparser
import os
import re
import subprocess
import sys
import time

sys.path.insert(0, os.path.dirname(os.path.abspath(__file__)))
import atspi_tree  # noqa: E402
import e2e  # noqa: E402
from e2e import TIMEOUT, Program, check, say, wait_until, write_tone, wave_stats  # noqa: E402

START = "Wordaroo"
MENU = "Your Choice"
TEST = "Test"
STUDY = "Study Time"
PRACTICE = "Practice"
AUTHOR = "Wordaroo Configuration"
ARCADE = "Arcade Alley"
RAIN = "Raining Words"
SCRAMBLE = "Scramble"

ANIMALS = ["cat", "dog", "horse", "monkey", "mouse", "rabbit", "tiger", "zebra"]
COLOURS = ["blue", "green", "orange", "purple", "red", "yellow"]


# --------------------------------------------------------------------------- steps

def start(p, greeted=True):
    """The start window comes up over the background with the first test selected, and
    the welcome plays once it is on screen (where there is a sound server)."""
    wid = p.window(START)
    if greeted:
        check(sound_stream_seen(p, 2.0), "the welcome plays as the start window comes up")
    check(p.shown("Wordaroo!"), "the full-screen background window 'Wordaroo!' is shown")
    corners = {p.pixel(x, y) for x, y in ((2, 2), (1277, 1021))}
    check(corners == {(0, 0, 128)}, f"the screen around the start window is dark blue: {corners}")
    tree = p.a11y()
    items = wait_until(lambda: tree.list_items(START, "Spelling tests"), "the test list")
    check([n for n, _ in items] == ["Test_Animals", "Test_Colours"],
          f"the start window lists the two sample tests: {[n for n, _ in items]}")
    check(items[0][1], "the first test, Test_Animals, is selected")
    words = tree.lists(START).get("Words of the selected test")
    check(words == ANIMALS, f"its words are ready in the word list: {words}")
    return wid


def pick_second_test(p, wid):
    tree = p.a11y()
    p.focus_control(wid, START, "Spelling tests")
    p.key(wid, "Down")
    wait_until(lambda: dict(tree.list_items(START, "Spelling tests") or []).get("Test_Colours"),
               "Test_Colours to be selected")
    check(True, "Down in the test list selects the second test, Test_Colours")
    words = wait_until(lambda: tree.lists(START).get("Words of the selected test") == COLOURS and COLOURS,
                       "the colour words in the word list")
    check(words == COLOURS, f"the word list now holds its words: {words}")


def ok_to_menu(p, wid, test_name):
    p.key(wid, "Return")
    menu = p.window(MENU)
    check(True, "Enter presses OK and the activity menu 'Your Choice' opens")
    p.wait_gone(START)
    check(not p.shown(START), "the start window is hidden")
    label = p.wait_text(MENU, lambda n: n.startswith("Selected test is"), "the selected-test line")
    check(label == "Selected test is " + test_name, f"the menu names the test: {label!r}")
    return menu


def wait_label(p, title, prefix, expected, timeout=TIMEOUT):
    """Waits until the window's label starting with prefix reads expected; the failure
    says what it read instead."""
    seen = []

    def read():
        texts = [n for _, n in p.texts(title) if n.startswith(prefix)]
        seen[:] = texts
        return expected in texts and expected
    try:
        return wait_until(read, f"{expected!r}", timeout)
    except e2e.JourneyError:
        raise e2e.JourneyError(f"FAILED: {title!r} should read {expected!r} but reads {seen}") from None


def menu_choice(p, menu, caption, opens):
    p.press(menu, MENU, caption)
    wid = p.window(opens)
    check(True, f"{caption!r} opens the window {opens!r}")
    return wid


def sound_stream_seen(p, timeout=4.0):
    """True when the program plays a stream on the sound server within timeout."""
    end = time.monotonic() + timeout
    while True:
        r = subprocess.run(["pactl", "list", "sink-inputs"], capture_output=True, text=True)
        if f'application.process.id = "{p.proc.pid}"' in r.stdout:
            return True
        if time.monotonic() >= end:
            return False
        time.sleep(0.05)


# --------------------------------------------------------------------------- journeys

def start_menu():
    """start, pick the second test, OK: the menu names it; New Test goes back with it still selected"""
    with Program("start_menu") as p:
        wid = start(p)
        pick_second_test(p, wid)
        menu = ok_to_menu(p, wid, "Test_Colours")
        # The menu plays nothing of its own, and the hidden start window greets no one.
        wait_until(lambda: not sound_stream_seen(p, 0.0), "silence")
        p.click(menu, MENU, "Click on me for Help!")
        check(sound_stream_seen(p, 2.0), "a mouse click on the professor plays his directions")
        menu_choice(p, menu, "New Test", START)
        wait_until(lambda: not p.shown(MENU), "the menu to close")
        check(not p.shown(MENU), "the menu closes")
        items = p.a11y().list_items(START, "Spelling tests")
        check(dict(items).get("Test_Colours"), "the start window still has Test_Colours selected")


def exit_program():
    """Exit on the activity menu ends the program with status 0 within a second"""
    with Program("exit") as p:
        wid = start(p)
        menu = ok_to_menu(p, wid, "Test_Animals")
        p.press(menu, MENU, "Exit")
        t = time.monotonic()
        code = p.wait_exit(1.0)
        check(code is not None, f"the process ended {time.monotonic() - t:.2f} s after Exit")
        check(code == 0, f"with exit status {code}")


def take_test():
    """take a whole test with two wrong answers and see the score line"""
    with Program("take_test") as p:
        wid = start(p)
        pick_second_test(p, wid)
        menu = ok_to_menu(p, wid, "Test_Colours")
        test = menu_choice(p, menu, "Take  Test", TEST)
        p.wait_gone(MENU)
        check(True, "the menu closes")
        tree = p.a11y()
        answers = {"blue": "blue", "green": "GREEN", "orange": "ornge", "purple": " purple ",
                   "red": "read", "yellow": "yellow"}
        for i, word in enumerate(COLOURS):
            progress = wait_label(p, TEST, "Word ", f"Word {i + 1} of 6", timeout=15 if i == 0 else TIMEOUT)
            check(True, f"the progress line reads {progress!r}")
            if i == 0:
                check(tree.focused(TEST) == ("text", "Type the word here") and sound_stream_seen(p),
                      "after the start prompt the first word is played; the answer box has the focus")
            p.type(test, answers[word])
            p.key(test, "Return")
            if i + 1 < len(COLOURS):
                tries = wait_until(lambda i=i: len(tree.lists(TEST).get("Words Completed", [])) == i + 1
                                   and tree.lists(TEST)["Words Completed"], f"answer {i + 1} in 'Words Completed'")
                check(tries[-1] == answers[word].strip(), f"answer {i + 1} is listed trimmed: {tries[-1]!r}")
        score = wait_label(p, TEST, "You scored a ", "You scored a 66%")
        check(True, f"the results show the score line {score!r}")
        lists = tree.lists(TEST)
        yours = next((v for v in lists.values() if len(v) == 6 and v != COLOURS), None)
        check(yours == ["blue", "GREEN", "ornge  XXX", "purple", "read  XXX", "yellow"],
              f"the typed words are listed with the wrong ones marked: {yours}")
        check(any(v == COLOURS for v in lists.values()), "beside the correct words")
        p.press(test, TEST, "Exit Test Results")
        p.window(MENU)
        check(True, "'Exit Test Results' returns to the activity menu")
        p.wait_gone(TEST)
        check(True, "and the test window is gone")


def study():
    """study a test, with a wrong copy, an empty one and a missing recording, to 'Review Complete'"""
    def setup(d):
        # Long enough to see the last word replaced by "Review Complete".
        write_tone(os.path.join(d, "reviewcomplete.wav"), 2.0)

    with Program("study", setup=setup) as p:
        wid = start(p)
        pick_second_test(p, wid)
        menu = ok_to_menu(p, wid, "Test_Colours")
        study_wid = menu_choice(p, menu, "Study Words", STUDY)
        tree = p.a11y()
        for i, word in enumerate(COLOURS):
            if i == 0:
                # A recording that goes missing once the words are listed: the window
                # says so when it comes to it, and goes on.
                os.remove(os.path.join(p.dir, "Test_Colours", "orange.wav"))
            if word == "orange":
                box = p.window(START)  # a message box without a title of its own shows "Wordaroo"
                text = p.wait_text(START, lambda n: n.startswith("Missing Sound File"), "the message")
                check(text == "Missing Sound File for the word: orange",
                      f"a box titled 'Wordaroo' says {text!r}")
                p.key(box, "Return")
                p.wait_gone(START)
                wait_until(lambda: "orange" in [n for _, n in tree.texts(STUDY)], "orange to be shown")
                check("Word 2 of 6" in [n for _, n in tree.texts(STUDY)],
                      "OK closes it; the word is still shown to copy, the progress line still reads 'Word 2 of 6'")
            else:
                p.wait_text(STUDY, lambda n, i=i: n == f"Word {i + 1} of 6", f"'Word {i + 1} of 6'", timeout=15)
                texts = [n for _, n in tree.texts(STUDY)]
                check(word in texts, f"word {i + 1} of 6 is shown written: {word!r}")
            if i == 0:
                p.type(study_wid, word.upper())
                p.key(study_wid, "Return")
                time.sleep(1.0)
                check(f"Word 1 of 6" in [n for _, n in tree.texts(STUDY)],
                      "a copy in capital letters is refused: still word 1")
                p.key(study_wid, "ctrl+a", "BackSpace")
                p.key(study_wid, "Return")
                time.sleep(1.0)
                check(f"Word 1 of 6" in [n for _, n in tree.texts(STUDY)],
                      "an empty copy is refused too")
            p.type(study_wid, word)
            p.key(study_wid, "Return")
        p.wait_text(STUDY, lambda n: n == "Review Complete", "'Review Complete'")
        check(True, "after the last word the window reads 'Review Complete'")
        p.window(MENU)
        check(True, "then the activity menu comes back")
        p.wait_gone(STUDY)
        check(True, "and the study window is gone")


def recording_seen(p, timeout=4.0):
    """True when the program records from the sound server's microphone within timeout."""
    end = time.monotonic() + timeout
    while time.monotonic() < end:
        r = subprocess.run(["pactl", "list", "source-outputs"], capture_output=True, text=True)
        if f'application.process.id = "{p.proc.pid}"' in r.stdout:
            return True
        time.sleep(0.05)
    return False


def speak_into_mic(p, seconds=1.0):
    """Plays a tone on the speaker sink; the null sink's "mic" source hears it."""
    tone = os.path.join(p.tmp, "voice.wav")
    write_tone(tone, seconds, freq=523.0, amplitude=0.6)
    subprocess.run(["paplay", tone], check=True, timeout=20)


def open_authoring(p, start_wid):
    p.key(start_wid, "alt+t")
    wid = p.window(AUTHOR)
    check(True, "Alt+T ('Create &Tests') opens 'Wordaroo Configuration'")
    p.wait_gone(START)
    check(True, "the start window is hidden")
    return wid


def new_test(p, start_wid, name):
    """From the start window: open authoring, make a new test and name it; returns the authoring window."""
    maint = open_authoring(p, start_wid)
    p.press(maint, AUTHOR, "Make a New Spelling Test")
    p.wait_text(AUTHOR, lambda n: n.startswith("Please type the new test name"), "the name panel")
    p.type(maint, name)
    p.key(maint, "Return")
    return maint


def record_word(p, wid, folder, word):
    """From the word-typing panel: type the word, record it from the microphone, save it."""
    p.wait_text(AUTHOR, lambda n: n.startswith("Type the CORRECT spelling"), "the word panel")
    p.type(wid, word)
    p.key(wid, "Return")
    p.wait_text(AUTHOR, lambda n: n == word, f"the word {word!r} on the recording panel")
    check(True, f"Enter on the word panel shows {word!r} on the recording panel")
    p.key(wid, "Return")
    check(recording_seen(p), "Enter starts recording from the microphone")
    speak_into_mic(p, 1.0)
    p.key(wid, "Return")
    p.wait_text(AUTHOR, lambda n: n == "Press ENTER  to save the word.", "the review panel")
    check(True, "Enter stops the recording: 'Press ENTER  to save the word.'")
    p.key(wid, "Return")
    path = os.path.join(folder, word + ".wav")
    wait_until(lambda: os.path.isfile(path), f"{path} to be written")
    seconds, peak = wave_stats(path)
    check(seconds >= 0.5 and peak > 0.05,
          f"Enter saves {word}.wav: {seconds:.2f} s long, holding the voice (peak {peak:.2f})")


def author():
    """make a test with two words recorded from the microphone, find it on the start window, take it"""
    with Program("author") as p:
        wid = start(p)
        maint = new_test(p, wid, "Birds")
        folder = os.path.join(p.dir, "Test_Birds")
        wait_until(lambda: os.path.isdir(folder), "the folder Test_Birds")
        check(True, "Enter on the name 'Birds' makes the folder Test_Birds")
        record_word(p, maint, folder, "owl")
        lists = wait_until(lambda: "owl" in sum(p.a11y().lists(AUTHOR).values(), []) and p.a11y().lists(AUTHOR),
                           "the word list with owl")
        check(True, "the word list shows 'owl'")
        p.key(maint, "Return")
        check(True, "Enter on the word list adds another word")
        record_word(p, maint, folder, "hen")
        words = wait_until(lambda: next((v for v in p.a11y().lists(AUTHOR).values() if "hen" in v), None),
                           "the word list with hen")
        check(words == ["owl", "hen"], f"the word list shows both words in recording order: {words}")
        p.press(maint, AUTHOR, "Finish Test")
        p.press(maint, AUTHOR, "Exit back to Wordaroo")
        wid = p.window(START)
        p.wait_gone(AUTHOR)
        check(True, "'Exit back to Wordaroo' closes the authoring window and shows the start window")
        tree = p.a11y()
        items = [n for n, _ in tree.list_items(START, "Spelling tests")]
        check(items == ["Test_Animals", "Test_Birds", "Test_Colours"], f"the new test is listed: {items}")
        p.focus_control(wid, START, "Spelling tests")
        p.key(wid, "Down")
        words = wait_until(lambda: tree.lists(START).get("Words of the selected test") == ["hen", "owl"] and ["hen", "owl"],
                           "the words of Test_Birds")
        check(True, f"selecting it shows its words: {words}")
        menu = ok_to_menu(p, wid, "Test_Birds")
        test = menu_choice(p, menu, "Take  Test", TEST)
        wait_until(lambda: tree.focused(TEST) == ("text", "Type the word here") and sound_stream_seen(p, 0.2),
                   "the first word to be asked", timeout=15)
        check(True, "the first recorded word is played")
        # Typing during the spoken start is thrown away: answer once word 1 is asked.
        wait_label(p, TEST, "Word 1", "Word 1 of 2", timeout=15)
        for i, word in enumerate(["hen", "owl"]):
            p.type(test, word)
            p.key(test, "Return")
            wait_until(lambda i=i: len(next((v for k, v in tree.lists(TEST).items() if k == "Words Completed"), [])) > i
                       or tree.lists(TEST).get("The Words You Typed"), f"answer {i + 1} to be taken")
        yours = wait_until(lambda: tree.lists(TEST).get("The Words You Typed"), "the results")
        check(yours == ["hen", "owl"], f"both answers are right: {yours}")
        score = wait_label(p, TEST, "You scored a ", "You scored a 100%")
        check(True, f"the score line reads {score!r}")


def password():
    """lock the authoring window with a password: a wrong one is refused, the right one opens it"""
    with Program("password") as p:
        wid = start(p)
        maint = open_authoring(p, wid)
        p.press(maint, AUTHOR, "Change Wordaroo Options")
        tree = p.a11y()
        box = "Password Protect This Test Configuration Screen"
        wait_until(lambda: tree.find(AUTHOR, box), "the options panel")
        p.press(maint, AUTHOR, box)
        wait_until(lambda: tree.has_state(AUTHOR, box, "checked"), "the box to be checked")
        check(True, f"Space checks {box!r}")
        p.focus_control(maint, AUTHOR, "role:text")
        p.type(maint, "Open Sesame")
        p.key(maint, "Return")
        wait_until(lambda: tree.find(AUTHOR, "Make a New Spelling Test"), "the start panel")
        check(True, "Enter saves the options and goes back to the start panel")
        ini = configparser.ConfigParser()
        ini.optionxform = str
        ini.read(os.path.join(p.dir, "spell.ini"))
        settings = dict(ini["SETTINGS"]) if ini.has_section("SETTINGS") else {}
        check(settings.get("Protect") == "True" and settings.get("TheWord") == "Open Sesame",
              f"spell.ini holds Protect=True and the password: {settings}")
        p.press(maint, AUTHOR, "Exit back to Wordaroo")
        wid = p.window(START)
        check(True, "back on the start window")

        p.key(wid, "alt+t")
        ask = p.window("PASSWORD")
        prompt = p.wait_text("PASSWORD", lambda n: "configuration password" in n, "the prompt")
        check(prompt == "Please enter configuration password:", f"'Create &Tests' asks {prompt!r}")
        p.type(ask, "open sesame")
        p.key(ask, "Return")
        refused = p.window("Incorrect Password")
        text = p.wait_text("Incorrect Password", lambda n: "incorrect" in n, "the refusal")
        check("SORRY!" in text and "The password you typed is incorrect." in text,
              f"a wrong password is refused: {text!r}")
        p.key(refused, "Return")
        p.wait_gone("Incorrect Password")
        check(p.shown(START) and not p.shown(AUTHOR), "the start window stays; no authoring window")

        p.key(wid, "alt+t")
        ask = p.window("PASSWORD")
        p.type(ask, "Open Sesame")
        p.key(ask, "Return")
        p.window(AUTHOR)
        check(True, "the right password opens 'Wordaroo Configuration'")
        p.wait_gone(START)
        check(True, "and hides the start window")


def arcade():
    """start and stop each arcade game, catching or solving one word in each"""
    with Program("arcade") as p:
        wid = start(p)
        menu = ok_to_menu(p, wid, "Test_Animals")
        chooser = menu_choice(p, menu, "Arcade Alley", ARCADE)
        p.wait_gone(MENU)
        tree = p.a11y()

        rain = None
        p.press(chooser, ARCADE, "Raining Words")
        rain = p.window(RAIN)
        p.wait_gone(ARCADE)
        check(True, "'Raining Words' opens its game and hides the chooser")
        p.press(rain, RAIN, "Start Game")
        falling = p.wait_text(RAIN, lambda n: n in ANIMALS, "a falling word")
        check(True, f"'Start Game' drops a word: {falling!r}")
        check(sound_stream_seen(p), "the falling word is spoken")
        p.type(rain, falling)
        # The score label is named "Score" followed by the score it shows.
        score = p.wait_text(RAIN, lambda n: re.fullmatch(r"(Score)? ?1", n), "the score to become 1", timeout=8)
        check(True, f"typing it catches it: the score reads {score!r}")
        p.press(rain, RAIN, "Stop Game")
        p.window(ARCADE)
        p.wait_gone(RAIN)
        check(True, "'Stop Game' closes the game and shows the chooser again")

        p.press(chooser, ARCADE, "SCRAMBLE CRSELBMA RAMELBSC")
        scramble = p.window(SCRAMBLE)
        p.wait_gone(ARCADE)
        check(True, "'SCRAMBLE CRSELBMA RAMELBSC' opens Scramble and hides the chooser")
        p.press(scramble, SCRAMBLE, "ELBMARCS    Start Game")

        def shuffled():
            for role, n in tree.texts(SCRAMBLE):
                # The label is named "Scrambled word" followed by the letters it shows.
                letters = n.split(" ")[-1] if role == "label" and n else ""
                for w in ANIMALS:
                    if letters and sorted(letters) == sorted(w):
                        return (letters, w)
            return None
        shown, word = wait_until(shuffled, "a shuffled word")
        check(True, f"'Start Game' shows the letters {shown!r} of {word!r}")
        p.type(scramble, word)
        score = p.wait_text(SCRAMBLE, lambda n: re.fullmatch(r"(Words solved)? ?1", n), "the score to become 1",
                            timeout=8)
        check(True, f"typing the word solves it: the score reads {score!r}")
        p.press(scramble, SCRAMBLE, "End Game")
        p.window(ARCADE)
        p.wait_gone(SCRAMBLE)
        check(True, "'End Game' closes the game and shows the chooser again")
        p.press(chooser, ARCADE, "Exit")
        p.window(MENU)
        p.wait_gone(ARCADE)
        check(True, "the chooser's 'Exit' returns to the activity menu")


CODE_NAME = re.compile(r"(lst|txt|pic|img|chk|btn|lbl|pnl)[A-Z]\w*|(Image|Picture|List|Label|Command|Text)\d+"
                       r"|umb\(\d\)|imgBoom")


def audit(p, title, problems):
    """Every control of the shown window has a name."""
    tree = p.a11y()
    wait_until(lambda: tree.windows(title), f"the window {title!r} in the accessibility tree")
    missing = tree.unnamed(title)
    for role, where in missing:
        problems.append(f"{title}: a {role} without a name ({where})")
    texts = tree.names(title)
    # Names that are the control's name in the code say little to a screen reader user.
    code_names = sorted({n for role, n in texts if role in atspi_tree.NAMED_ROLES and CODE_NAME.fullmatch(n)})
    say(f"  checked {len(texts)} objects on {title!r}: {len(missing)} without a name"
        + (f"; named only by their code name: {', '.join(code_names)}" if code_names else ""))


def accessibility():
    """every window a user meets: each button, list, box and picture has an accessible name"""
    problems = []
    with Program("accessibility") as p:
        wid = start(p)
        audit(p, START, problems)
        menu = ok_to_menu(p, wid, "Test_Animals")
        audit(p, MENU, problems)
        test = menu_choice(p, menu, "Take  Test", TEST)
        audit(p, TEST, problems)
        p.press(test, TEST, "Stop Test")
        p.wait_text(TEST, lambda n: n == "Exit Test Results", "the results view")
        audit(p, TEST, problems)
        p.press(test, TEST, "Exit Test Results")
        menu = p.window(MENU)
        study_wid = menu_choice(p, menu, "Study Words", STUDY)
        audit(p, STUDY, problems)
        p.press(study_wid, STUDY, "End Study Time")
        menu = p.window(MENU)
        practice = menu_choice(p, menu, "Look, Cover, Write, Check", PRACTICE)
        audit(p, PRACTICE, problems)
        p.press(practice, PRACTICE, "End Practice")
        menu = p.window(MENU)
        chooser = menu_choice(p, menu, "Arcade Alley", ARCADE)
        audit(p, ARCADE, problems)
        p.press(chooser, ARCADE, "Raining Words")
        rain = p.window(RAIN)
        audit(p, RAIN, problems)
        p.press(rain, RAIN, "Stop Game")
        chooser = p.window(ARCADE)
        p.press(chooser, ARCADE, "SCRAMBLE CRSELBMA RAMELBSC")
        scramble = p.window(SCRAMBLE)
        audit(p, SCRAMBLE, problems)
        p.press(scramble, SCRAMBLE, "End Game")
        chooser = p.window(ARCADE)
        p.press(chooser, ARCADE, "Exit")
        menu = p.window(MENU)
        menu_choice(p, menu, "New Test", START)
        wid = p.window(START)
        maint = open_authoring(p, wid)
        audit(p, AUTHOR, problems)
        p.press(maint, AUTHOR, "Change Wordaroo Options")
        p.wait_text(AUTHOR, lambda n: n == "Save Options", "the options panel")
        audit(p, AUTHOR, problems)
        p.press(maint, AUTHOR, "Cancel")
        p.press(maint, AUTHOR, "Edit or Delete Existing Test")
        p.wait_text(AUTHOR, lambda n: n == "Edit Test", "the test choice panel")
        audit(p, AUTHOR, problems)
        p.press(maint, AUTHOR, "Edit Test")
        p.wait_text(AUTHOR, lambda n: n == "Add Word", "the word list panel")
        audit(p, AUTHOR, problems)
    for problem in problems:
        say("  " + problem)
    check(not problems, "every button, list, text box, check box and picture has an accessible name")


# --------------------------------------------------------------------------- a hostile folder

def write_wave_header(path, frames, rate, channels=1):
    """A 16-bit wave file whose header claims `frames` frames; the samples are a hole
    in a sparse file, so a header claiming hours costs no disk."""
    import struct
    data = frames * channels * 2
    header = (b"RIFF" + struct.pack("<I", 36 + data) + b"WAVEfmt " +
              struct.pack("<IHHIIHH", 16, 1, channels, rate, rate * channels * 2, channels * 2, 16) +
              b"data" + struct.pack("<I", data))
    with open(path, "wb") as f:
        f.write(header)
        f.truncate(len(header) + data)


def refused_box(p, title, prefix):
    """Waits for a message box titled `title` whose text starts with prefix, reads it and
    presses Enter on it."""
    box = p.window(title)
    text = p.wait_text(title, lambda n: n.startswith(prefix), f"the message starting {prefix!r}")
    p.key(box, "Return")
    # The start window shares the boxes' title: wait for the text to go, not the title.
    wait_until(lambda: not any(n.startswith(prefix) for _, n in p.texts(title)), "the message to close")
    return text


def hostile_settings():
    """a settings file with a byte-order mark, CR line ends, UTF-16, a FIFO or a link: the gate never opens unasked"""
    locked = "[SETTINGS]\nProtect=True\nTheWord=Open Sesame\n"
    variants = [
        ("a byte-order mark and CRLF line ends", b"\xef\xbb\xbf" + locked.replace("\n", "\r\n").encode()),
        ("CR-only line ends", locked.replace("\n", "\r").encode()),
        ("UTF-16 with a byte-order mark", locked.replace("\n", "\r\n").encode("utf-16")),
    ]
    with Program("hostile_settings") as p:
        wid = start(p)
        ini = os.path.join(p.dir, "spell.ini")
        for what, data in variants:
            with open(ini, "wb") as f:
                f.write(data)
            p.key(wid, "alt+t")
            ask = p.window("PASSWORD")
            p.type(ask, "guess")
            p.key(ask, "Return")
            refused_box(p, "Incorrect Password", "SORRY!")
            check(not p.shown(AUTHOR), f"with {what}, 'Create &Tests' asks for the password and refuses a wrong one")

        outside = os.path.join(p.tmp, "outside.ini")
        with open(outside, "w") as f:
            f.write("[SETTINGS]\nkept=yes\n")
        before = open(outside, "rb").read()
        for what, make in [("a named pipe (FIFO)", lambda: os.mkfifo(ini)),
                           ("a link to /dev/zero", lambda: os.symlink("/dev/zero", ini)),
                           ("a link to a file outside the program folder", lambda: os.symlink(outside, ini))]:
            os.remove(ini)
            make()
            t = time.monotonic()
            p.key(wid, "alt+t")
            text = refused_box(p, START, "The settings file could not be read")
            check(not p.shown(AUTHOR) and time.monotonic() - t < 5,
                  f"{what}: the gate stays closed at once, saying {text!r}")
        check(open(outside, "rb").read() == before, "the file outside the program folder is untouched")

        # Opened while the file was plain, then made a link: saving refuses, writes nothing.
        os.remove(ini)
        with open(ini, "w") as f:
            f.write("[SETTINGS]\nProtect=False\n")
        maint = open_authoring(p, wid)
        p.press(maint, AUTHOR, "Change Wordaroo Options")
        p.wait_text(AUTHOR, lambda n: n == "Save Options", "the options panel")
        os.remove(ini)
        os.symlink(outside, ini)
        p.press(maint, AUTHOR, "Save Options")
        box = wait_until(lambda: (e2e.visible_windows("ERROR: .*") or [None])[-1], "the settings error box")
        title = e2e.window_name(box)
        text = p.wait_text(title, lambda n: n.startswith("WriteSetting"), "its text")
        p.key(box, "Return")
        check(open(outside, "rb").read() == before and os.path.islink(ini),
              f"'Save Options' through a link refuses ({text!r}) and writes nothing through it")


def hostile_sounds():
    """word files claiming 24 hours or many channels never freeze a game"""
    def setup(d):
        for i, w in enumerate(ANIMALS):
            path = os.path.join(d, "Test_Animals", w + ".wav")
            if i % 2:
                write_wave_header(path, 86_400_000, 1000)       # 24 hours at 1 kHz
            else:
                write_wave_header(path, 48_000 * 301, 48_000, 64)  # 5 min 1 s, 64 channels

    with Program("hostile_sounds", setup=setup) as p:
        wid = start(p)
        menu = ok_to_menu(p, wid, "Test_Animals")
        chooser = menu_choice(p, menu, "Arcade Alley", ARCADE)
        p.press(chooser, ARCADE, "SCRAMBLE CRSELBMA RAMELBSC")
        scramble = p.window(SCRAMBLE)
        p.press(scramble, SCRAMBLE, "ELBMARCS    Start Game")
        wait_until(lambda: any(n.startswith("Scrambled word ") and len(n) > 15 for _, n in p.a11y().texts(SCRAMBLE)),
                   "a shuffled word")
        t = time.monotonic()
        p.press(scramble, SCRAMBLE, "Solve It!")
        p.press(scramble, SCRAMBLE, "End Game")
        p.window(ARCADE)
        took = time.monotonic() - t
        check(took < 5, f"'Solve It!' on a word whose file claims hours returns at once: End Game answered "
                        f"{took:.1f} s later")
        rss = int(open(f"/proc/{p.proc.pid}/status").read().split("VmRSS:")[1].split()[0]) // 1024
        check(rss < 200, f"the program holds {rss} MB resident")


def select_item(p, wid, title, list_name, item):
    """Focuses the named list and moves down it until `item` is selected."""
    tree = p.a11y()
    p.focus_control(wid, title, list_name)
    items = wait_until(lambda: tree.list_items(title, list_name), f"the list {list_name!r}")
    names = [n for n, _ in items]
    # End first: Home on the current first item would not select it.
    p.key(wid, "End")
    p.key(wid, "Home")
    for _ in range(names.index(item) if item in names else 0):
        p.key(wid, "Down")
    if len(names) == 1:
        p.key(wid, "space")  # a list of one: neither End nor Home moves, so nothing selects it
    wait_until(lambda: dict(tree.list_items(title, list_name) or []).get(item),
               f"{item!r} selected in {list_name!r} (it holds {[n for n, _ in items]})")


def authoring_word(p, maint, test, word):
    """From the authoring start panel to the word list of `test` with `word` selected."""
    p.press(maint, AUTHOR, "Edit or Delete Existing Test")
    select_item(p, maint, AUTHOR, "Tests", test)
    p.press(maint, AUTHOR, "Edit Test")
    select_item(p, maint, AUTHOR, "Words of the test", word)


def record_and_save(p, maint):
    """On the record panel: record a second of voice, stop, save."""
    p.wait_text(AUTHOR, lambda n: n.startswith("When ready press ENTER"), "the record panel")
    p.key(maint, "Return")
    check(recording_seen(p), "Enter starts recording")
    speak_into_mic(p, 1.0)
    p.key(maint, "Return")
    p.wait_text(AUTHOR, lambda n: n == "Press ENTER  to save the word.", "the review panel")
    p.key(maint, "Return")


def hostile_saves():
    """re-recording a word that is a link replaces the link, never what it leads to; a full disk is named"""
    outside = []

    def setup(d):
        target = os.path.join(os.path.dirname(d), "outside.wav")
        write_tone(target, 0.5)
        path = os.path.join(d, "Test_Animals", "cat.wav")
        os.remove(path)
        os.symlink(target, path)
        outside.append(target)

    with Program("hostile_saves", setup=setup) as p:
        before = open(outside[0], "rb").read()
        wid = start(p)
        maint = open_authoring(p, wid)
        authoring_word(p, maint, "Test_Animals", "cat")
        p.press(maint, AUTHOR, "Re-Record Word")
        ask = p.window("Re-Record?")
        p.key(ask, "y")
        p.wait_text(AUTHOR, lambda n: n == "cat", "the record panel for cat")
        record_and_save(p, maint)
        path = os.path.join(p.dir, "Test_Animals", "cat.wav")
        wait_until(lambda: not os.path.islink(path), "the link to be replaced")
        seconds, peak = wave_stats(path)
        check(open(outside[0], "rb").read() == before and seconds >= 0.5,
              f"the link cat.wav is replaced by a {seconds:.1f} s recording; the file it led to is untouched")

        # A test folder on a file system with no room left.
        full = os.path.join(p.dir, "Test_Full")
        os.mkdir(full)
        if subprocess.run(["mount", "-t", "tmpfs", "-o", "size=64k", "tmpfs", full], capture_output=True).returncode:
            say("  skipped the full disk: this machine cannot mount a small file system here")
            return
        try:
            write_tone(os.path.join(full, "fox.wav"), 0.3)
            with open(os.path.join(full, "filler"), "wb") as f:
                try:
                    f.write(b"\0" * 65536)
                except OSError:
                    pass
            p.press(maint, AUTHOR, "Finish Test")
            p.wait_text(AUTHOR, lambda n: n == "Edit or Delete Existing Test", "the start panel")
            authoring_word(p, maint, "Test_Full", "fox")
            p.press(maint, AUTHOR, "Re-Record Word")
            p.key(p.window("Re-Record?"), "y")
            p.wait_text(AUTHOR, lambda n: n == "fox", "the record panel for fox")
            record_and_save(p, maint)
            text = refused_box(p, START, "The recording of")
            check("No space left on device" in text, f"a full disk is named: {text!r}")
            seconds, _ = wave_stats(os.path.join(full, "fox.wav"))
            check(seconds > 0.2, "and the old recording is kept whole")
        finally:
            subprocess.run(["umount", "-l", full], capture_output=True)


def hostile_no_microphone():
    """with no sound server, Save Word says nothing was recorded and saves nothing"""
    with Program("hostile_no_microphone", env={"PULSE_SERVER": "unix:/nonexistent/native"}) as p:
        wid = start(p, greeted=False)
        maint = new_test(p, wid, "Quiet")
        p.wait_text(AUTHOR, lambda n: n.startswith("Type the CORRECT spelling"), "the word panel")
        p.type(maint, "owl")
        p.key(maint, "Return")
        p.wait_text(AUTHOR, lambda n: n == "owl", "the record panel")
        p.key(maint, "Return")
        time.sleep(0.5)
        p.key(maint, "Return")
        p.wait_text(AUTHOR, lambda n: n == "Press ENTER  to save the word.", "the review panel")
        p.key(maint, "Return")
        text = refused_box(p, START, "Nothing was recorded.")
        check(text == "Nothing was recorded.\nCheck that a microphone is connected and switched on."
              and not os.path.exists(os.path.join(p.dir, "Test_Quiet", "owl.wav")),
              f"'Save Word' says {text!r} and writes no owl.wav")


JOURNEYS = {
    "start_menu": start_menu,
    "exit": exit_program,
    "take_test": take_test,
    "study": study,
    "author": author,
    "password": password,
    "arcade": arcade,
    "accessibility": accessibility,
    "hostile_settings": hostile_settings,
    "hostile_sounds": hostile_sounds,
    "hostile_saves": hostile_saves,
    "hostile_no_microphone": hostile_no_microphone,
}
if __name__ == "__main__":
    sys.exit(e2e.run(JOURNEYS))
