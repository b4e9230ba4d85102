"""Structure checks of compound files read with olefile."""
import olefile


def check_tree(ole, where):
    """Sibling trees: names in order (length, then upper case), red-black rules.
    Returns the faults found."""
    ents = ole.direntries
    faults = []

    def check(ok, what):
        if not ok:
            faults.append(what)

    def key(n):
        return (len(n), n.upper())

    def walk(sid, lo, hi):  # returns black height
        if sid == olefile.NOSTREAM:
            return 1
        e = ents[sid]
        k = key(e.name)
        check((lo is None or lo < k) and (hi is None or k < hi), f"{where}: {e.name} out of order")
        for c in (e.sid_left, e.sid_right):
            if c != olefile.NOSTREAM and e.color == 0:
                check(ents[c].color == 1, f"{where}: red {e.name} has a red child")
        hl, hr = walk(e.sid_left, lo, k), walk(e.sid_right, k, hi)
        check(hl == hr, f"{where}: black heights differ under {e.name}")
        return hl + (1 if e.color == 1 else 0)

    for e in ents:
        if e is not None and e.entry_type in (olefile.STGTY_STORAGE, olefile.STGTY_ROOT) and e.sid_child != olefile.NOSTREAM:
            check(ents[e.sid_child].color == 1, f"{where}: root of {e.name}'s tree is red")
            walk(e.sid_child, None, None)
    return faults
