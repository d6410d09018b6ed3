"""The end-to-end tests' vocabulary, shared by every test script and tool:

    lines        the chat lines as the room must receive them, in code page 1252
    chat         the stand-in chat client, started and watched through its log
    driver       drowsel-driver.exe: Drowsel's window and controls from outside
    drowsel      starting drowsel.exe and reading how it ended
    desktop      the real mouse, through xdotool
    wine_prefix  the prefix's registry, temporary folder and ".html" program

The session itself (display, prefix, processes, waits) is harness.py's.
"""
