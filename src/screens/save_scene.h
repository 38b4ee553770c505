// The save screen (scene 10): the slot page of CSlotPageScene whose Yes writes the running game into
// the chosen slot.
#pragma once

#include "screens/slot_page_scene.h"

class CSaveLoadScene : public CSlotPageScene {
public:
    CSaveLoadScene() : CSlotPageScene(Kind::kSave) {}
};
