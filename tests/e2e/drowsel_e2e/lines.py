"""The chat lines as the room must receive them, in code page 1252, as hex.

Typed out here by hand, not taken from the program, so that a wrong catalogue
or a wrong conversion cannot pass.
"""

FONT = ("3c666f6e743e"                              # <font>
        "3c666f6e7420666163653d53796c6661656e3e"    # <font face=Sylfaen>
        "3c666f6e742073697a653d23383e")             # <font size=#8>
RED_BOLD = "3c666f6e7420636f6c6f723d233939303030303e" "3c623e"  # <font color=#990000><b>
GREY_STRIKE = "3c666f6e7420636f6c6f723d233636363636363e" "3c733e"  # <font color=#666666><s>
BLACK_IU = "3c666f6e7420636f6c6f723d233030303030303e" "3c693e3c753e"  # <font color=#000000><i><u>
DAGGERS = "8787" "2044726f7773656c20" "8787"  # ‡‡ Drowsel ‡‡
END = "3c2f666f6e743e"  # </font>


def reason_line(reason):
    # Reason Idle: <u>...</u>
    return (FONT + RED_BOLD + "526561736f6e2049646c653a20" "3c753e"
            + reason.encode("cp1252").hex() + "3c2f753e" + END)


def idle_for_line(minutes):
    # Idle For: <i><u>... Min(s)</i>
    return (FONT + RED_BOLD + "49646c6520466f723a20" "3c693e3c753e"
            + minutes.encode("cp1252").hex() + "204d696e287329" "3c2f693e" + END)


def total_idle_line(minutes):
    # Total Idle Time: <u><i>... Min(s)
    return (FONT + RED_BOLD + "546f74616c2049646c652054696d653a20" "3c753e3c693e"
            + minutes.encode("cp1252").hex() + "204d696e287329" + END)


# Every entry of the catalogue, by the name drowsel-post takes (NAME=VALUE
# for a composed one, with the value these bytes carry).
EXPECTED = {
    "MsgLoaded": FONT + RED_BOLD + DAGGERS + "204c3061643344" + END,  # " L0ad3D"
    "MsgUnloaded": FONT + RED_BOLD + DAGGERS + "20556e4c3061643344" + END,  # " UnL0ad3D"
    "MsgStarted": FONT + RED_BOLD + DAGGERS + "203c693e537461727465643c2f693e" + END,  # " <i>Started</i>"
    "MsgStopped": FONT + RED_BOLD + DAGGERS + "203c693e53746f707065643c2f693e" + END,  # " <i>Stopped</i>"
    "MsgBanner": FONT + RED_BOLD + DAGGERS + END,
    # ·kR3aTeD bY Vorlaxe·
    "MsgCreditLoad": FONT + GREY_STRIKE + "b76b52336154654420625920566f726c617865b7" + END,
    # ·kR3aTeD bY Quillfen·
    "MsgCreditExit": FONT + GREY_STRIKE + "b76b523361546544206259205175696c6c66656eb7" + END,
    # -···· Vantorel ····-
    "MsgMaker": FONT + BLACK_IU + "2db7b7b7b72056616e746f72656c20b7b7b7b72d" + END,
    # Reason Idle: <u>Lunch</u>
    "MsgReason=Lunch": FONT + RED_BOLD + "526561736f6e2049646c653a20" "3c753e" "4c756e6368" "3c2f753e" + END,
    # Idle For: <i><u>3 Min(s)</i>
    "MsgIdleFor=3": FONT + RED_BOLD + "49646c6520466f723a20" "3c693e3c753e" "33204d696e287329" "3c2f693e" + END,
    # Total Idle Time: <u><i>  0 Min(s)
    "MsgTotalIdle=  0": FONT + RED_BOLD + "546f74616c2049646c652054696d653a20" "3c753e3c693e"
                        "202030204d696e287329" + END,
}

LOADED, UNLOADED = EXPECTED["MsgLoaded"], EXPECTED["MsgUnloaded"]
STARTED, STOPPED = EXPECTED["MsgStarted"], EXPECTED["MsgStopped"]
BANNER, MAKER = EXPECTED["MsgBanner"], EXPECTED["MsgMaker"]
CREDIT_LOAD, CREDIT_EXIT = EXPECTED["MsgCreditLoad"], EXPECTED["MsgCreditExit"]
NAMES = {v: k for k, v in EXPECTED.items()}


def name_of(hex_text):
    """A line for reports: its name above (a composed one with its value,
    "MsgReason=Lunch"), or its text."""
    if hex_text in NAMES:
        return NAMES[hex_text]
    try:
        return repr(bytes.fromhex(hex_text).decode("cp1252", "replace"))
    except ValueError:
        return hex_text


def names(lines):
    return [name_of(h) for h in lines]
