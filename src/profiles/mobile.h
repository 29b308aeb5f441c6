// The 3GP and 3G2 entries: mobile-telephone video with AMR-NB audio in the 3gp container.
#pragma once

#include "model/forms.h"
#include "profiles/command_slots.h"
#include "profiles/window_state.h"

namespace vidloom {

enum class MobileVariant { k3gp, k3g2 };

// Fills the mobile lists, then selects "LetterBox" and "Mono".
void MobileProfile(TForm1& form, WindowState& state, MobileVariant variant);
// The audio is always requested as "amr_nb"; 3G2 adds " -f 3gp" before the output.
FormatCommand MobileTemplate(const CommandSlots& slots, MobileVariant variant);

}  // namespace vidloom
