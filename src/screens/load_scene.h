// The load screen (scene 11): the slot page of CSlotPageScene whose Yes reads the chosen slot, puts
// the game back together from it and resumes the scene the save was made in. Opened from the game
// and from the title menu.
#pragma once

#include "screens/slot_page_scene.h"

class CLoadScene : public CSlotPageScene {
public:
    CLoadScene() : CSlotPageScene(Kind::kLoad) {}
};
