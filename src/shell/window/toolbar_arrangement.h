#pragma once
// The buttons the user keeps on a toolbar. Right-clicking the toolbar lists every button of its
// table; unticking one takes it off, ticking puts it back at its place. The arrangement is saved
// when that menu closes and applied at the next start.

#include <string>
#include <string_view>
#include <vector>

class QToolBar;

namespace meridiana {

class KeyValueStore;

// "Software\Quillary\<display name>\Toolbar\<toolbar id>".
std::string ToolbarKeyPath(std::string_view displayName, int toolbarId);

// The commands of the hidden buttons as text ("40018,40030"), and back; unknown or repeated
// numbers are dropped.
std::string HiddenButtonsText(const std::vector<int>& hidden);
std::vector<int> ParseHiddenButtons(std::string_view text, const std::vector<int>& known);

// Shows or hides each of the toolbar's buttons as saved; separators follow their groups.
void ApplyToolbarArrangement(QToolBar* toolbar, const KeyValueStore& store,
                             std::string_view displayName, int toolbarId);
// Lets the user tick buttons on and off from the toolbar's context menu; saves on every close.
void EnableToolbarCustomisation(QToolBar* toolbar, KeyValueStore* store, std::string displayName,
                                int toolbarId);

}  // namespace meridiana
