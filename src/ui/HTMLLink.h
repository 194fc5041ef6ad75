// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "platform/ShellOpen.h"

class QLabel;

namespace vko {

// The states of a label that behaves like a hyperlink.
enum LinkActionKind : int {
    kLinkInitial = 1,
    kLinkClick = 2,  // opens the label's "tag" property with the shell, then shows it visited
    kLinkMouseElsewhere = 3,
    kLinkMouseOver = 4,
};

// Gives Label the look of Action; any other value does nothing. open is used for a click only.
// False when a click found nothing to open the link with.
bool LinkAction(QLabel* Label, int Action, const UrlOpener& open = ShellOpen);

}  // namespace vko
