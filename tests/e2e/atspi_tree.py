"""Reads the program's accessibility tree over AT-SPI: what is on screen, with its
role and its accessible name. Caching is switched off, so every read sees the
program as it is now (no event loop runs here to keep a cache fresh)."""

import gi

gi.require_version("Atspi", "2.0")
from gi.repository import Atspi  # noqa: E402
import pyatspi  # noqa: E402,F401  (sets up the registry the same way the tools do)

# Roles a user acts on or looks at; each must carry a name a screen reader can say.
NAMED_ROLES = {
    "push button", "toggle button", "check box", "radio button", "list", "list box", "table",
    "text", "entry", "password text", "combo box", "image", "icon", "spin button", "slider",
    "menu item", "page tab",
}


def role_name(acc):
    try:
        return acc.get_role_name()
    except Exception:
        return "?"


def name_of(acc):
    try:
        return acc.get_name() or ""
    except Exception:
        return ""


def text_content(acc):
    """The text an object shows (labels, text boxes), or None if it has no text interface."""
    try:
        t = acc.get_text_iface()
        if t is None:
            return None
        return Atspi.Text.get_text(t, 0, Atspi.Text.get_character_count(t))
    except Exception:
        return None


def shown_text(acc):
    """What the user reads on an object: a label's or text box's own text, else its name."""
    role = role_name(acc)
    if role in ("label", "text", "entry", "static"):
        t = text_content(acc)
        if t is not None:
            return t
    return name_of(acc)


def states(acc):
    try:
        return acc.get_state_set()
    except Exception:
        return None


def showing(acc):
    s = states(acc)
    return s is not None and s.contains(Atspi.StateType.SHOWING)


def children(acc):
    try:
        n = acc.get_child_count()
    except Exception:
        return []
    out = []
    for i in range(n):
        try:
            c = acc.get_child_at_index(i)
        except Exception:
            c = None
        if c is not None:
            out.append(c)
    return out


class Tree:
    def __init__(self, pid):
        self.pid = pid
        self._app = None

    def app(self):
        if self._app is not None:
            try:
                self._app.get_child_count()
                return self._app
            except Exception:
                self._app = None
        desktop = Atspi.get_desktop(0)
        desktop.clear_cache()
        for a in children(desktop):
            try:
                if a.get_process_id() == self.pid:
                    a.set_cache_mask(Atspi.Cache.NONE)
                    self._app = a
                    return a
            except Exception:
                continue
        return None

    def windows(self, title=None):
        """The shown top-level windows of the program (with this title when given)."""
        app = self.app()
        if app is None:
            return []
        app.clear_cache()
        out = []
        for w in children(app):
            if title is not None and name_of(w) != title:
                continue
            if showing(w):
                out.append(w)
        return out

    def walk(self, acc, shown_only=True):
        """Every descendant of acc (depth first), skipping what is not on screen."""
        for c in children(acc):
            if shown_only and not showing(c):
                continue
            yield c
            yield from self.walk(c, shown_only)

    def texts(self, title):
        """(role, text shown) of every shown object of the window."""
        out = []
        for w in self.windows(title):
            for c in self.walk(w):
                out.append((role_name(c), shown_text(c)))
        return out

    def names(self, title):
        """(role, accessible name) of every shown object of the window."""
        return [(role_name(c), name_of(c)) for w in self.windows(title) for c in self.walk(w)]

    def stale_names(self, title):
        """Labels whose accessible name is not the text they show: [(name, text)]."""
        out = []
        for w in self.windows(title):
            for c in self.walk(w):
                if role_name(c) == "label":
                    t = text_content(c)
                    n = name_of(c)
                    if t is not None and t.replace("&", "") != n.replace("&", "") and t.strip():
                        out.append((n, t))
        return out

    def focused(self, title):
        """(role, name) of the focused object in the window, or None."""
        # A list's current item says "focused" even while another control has the
        # focus, so an item counts only when nothing else does.
        item = None
        for w in self.windows(title):
            for c in self.walk(w):
                s = states(c)
                if s is not None and s.contains(Atspi.StateType.FOCUSED):
                    role = role_name(c)
                    if role in ("list item", "table cell"):
                        item = item or (role, name_of(c))
                    else:
                        return (role, name_of(c))
        return item

    def find(self, title, name, role=None):
        """The first shown object of the window with this name (and role), or None."""
        for w in self.windows(title):
            for c in self.walk(w):
                if name_of(c) == name and (role is None or role_name(c) == role):
                    return c
        return None

    def has_state(self, title, name, state):
        """Whether the named object of the window has the AT-SPI state (e.g. 'checked')."""
        acc = self.find(title, name)
        if acc is None:
            return None
        s = states(acc)
        return bool(s and s.contains(getattr(Atspi.StateType, state.upper())))

    def text_of(self, title, name):
        """The text shown by the named text box or label, or None."""
        acc = self.find(title, name)
        return None if acc is None else text_content(acc)

    def list_items(self, title, list_name=None):
        """The items of the (first, or named) list of the window: [(name, selected)]."""
        for w in self.windows(title):
            for c in self.walk(w):
                if role_name(c) in ("list", "list box", "table") and (list_name is None or name_of(c) == list_name):
                    items = []
                    for it in children(c):
                        if role_name(it) in ("list item", "table cell"):
                            s = states(it)
                            items.append((name_of(it), bool(s and s.contains(Atspi.StateType.SELECTED))))
                    return items
        return None

    def lists(self, title):
        """{list name: [item names]} for every shown list of the window."""
        out = {}
        for w in self.windows(title):
            for c in self.walk(w):
                if role_name(c) in ("list", "list box", "table"):
                    out[name_of(c)] = [name_of(it) for it in children(c)
                                       if role_name(it) in ("list item", "table cell")]
        return out

    def unnamed(self, title):
        """Controls of the window that a user can act on or look at but that have no name:
        [(role, path)], where path lists the named ancestors to help find it."""
        missing = []
        for w in self.windows(title):
            self._unnamed(w, [title], missing)
        return missing

    def _unnamed(self, acc, path, missing):
        for c in children(acc):
            if not showing(c):
                continue
            role = role_name(c)
            name = name_of(c)
            if role in NAMED_ROLES and not name.strip():
                missing.append((role, " > ".join(path)))
            # Items of a list are named by their text; an empty item is data, not a control.
            if role not in ("list", "list box", "table"):
                self._unnamed(c, path + ([name] if name else [role]), missing)

    def dump(self, title=None):
        lines = []
        for w in self.windows(title):
            lines.append(f"[{role_name(w)}] {name_of(w)!r}")
            self._dump(w, 1, lines)
        return "\n".join(lines)

    def _dump(self, acc, depth, lines):
        for c in children(acc):
            mark = "" if showing(c) else " (hidden)"
            t = text_content(c) if role_name(c) in ("label", "text") else None
            shown = f" shows {t!r}" if t is not None and t != name_of(c) else ""
            lines.append("  " * depth + f"[{role_name(c)}] {name_of(c)!r}{shown}{mark}")
            if showing(c):
                self._dump(c, depth + 1, lines)
