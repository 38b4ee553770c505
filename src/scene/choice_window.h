// Hiding the message window on the interactive screens (choices, items).
#pragma once

class CScriptMng;

// While the window is hidden, a click or the hide key shows it again (the screen comes back from
// the saved copy); otherwise the hide key, or a right click when the system data lets the right
// click hide the window (not in the caption style, which has no window to hide), hides it. True
// while the window is (or has just become) hidden: the rest of the frame's step is skipped then.
bool InteractiveWindowHiding(CScriptMng& s);

// The click of the message window's buttons and of hiding it: "sys_a002.ogg" on the interface
// channel (sound-effect slot 0) at the sound-effect volume.
void PlayWindowClick();
