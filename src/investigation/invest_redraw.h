// The command and legwork screens as a topic or keyword script finds them on its return (script
// commands 134 and 147): every panel drawn again over the back buffer in the list state of the last
// pick, the list rebuilt at its first entry. The caller has drawn the background, the clock panel
// and the message window first.
#pragma once

class CScriptMng;

namespace kestrel::invest {

// The column with the picked command marked, the categories with the picked one marked (the known
// counts recomputed), the list of that category and its scroll bar, and the gauge.
void RedrawCommandScreen(CScriptMng& engine);

// The legwork panel with the picked character marked and the end button, the topic-kind panel with
// the picked kind marked, and the list of that kind with its scroll bar.
void RedrawLegworkScreen(CScriptMng& engine);

} // namespace kestrel::invest
