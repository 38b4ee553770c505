// The command and legwork screens as a topic or keyword script finds them on its return (script
// commands 134 and 147), and the picture that leaving a search leaves for the command screen. The
// panels are drawn again over the back buffer in the list state of the last pick, the list rebuilt at
// its first entry; the caller has drawn the background, the clock panel and the message window first.
#pragma once

class CScriptMng;

namespace kestrel::invest {

// The back buffer rebuilt behind the panels of the investigation screens: the picture of layer 0, the
// clock display when it is shown, and the message window band at y 448. The time gauge beside the
// clock is drawn with it only when `withGauge` is set: the command screen draws the gauge itself, and
// a translucent gauge drawn twice would show denser.
void RedrawInvestigationBackground(CScriptMng& engine, bool withGauge);

// The column with the picked command marked, the categories with the picked one marked (the known
// counts recomputed), the list of that category and its scroll bar, and the gauge.
void RedrawCommandScreen(CScriptMng& engine);

// The legwork panel with the picked character marked and the end button, the topic-kind panel with
// the picked kind marked, and the list of that kind with its scroll bar.
void RedrawLegworkScreen(CScriptMng& engine);

} // namespace kestrel::invest
