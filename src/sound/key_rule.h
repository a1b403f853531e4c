#pragma once

// The key rule of the main window and the settings dialogs: Enter plays slot 4,
// Delete slot 5, both set g_nodRequest. Returns true when the key was consumed.
// Key codes are Qt::Key values.
bool HandleNodKey(int qtKey);
