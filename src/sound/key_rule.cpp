#include "sound/key_rule.h"

#include "core/globals.h"
#include "sound/sound_table.h"

#include <Qt>

bool HandleNodKey(int qtKey)
{
    switch (qtKey) {
    case Qt::Key_Return:
    case Qt::Key_Enter:
        PlaySoundSlot(4, "@4");
        g_nodRequest = 1;
        return true;
    case Qt::Key_Delete:
        PlaySoundSlot(5, "@5");
        g_nodRequest = 1;
        return true;
    default:
        return false;
    }
}
