// The configuration dialog's pages, in their order on the dialog: what an
// opener names to show one first.
#pragma once

enum TConfigPage : int { cpHotKey, cpWhatCapture, cpDefaultAction, cpEMail };
