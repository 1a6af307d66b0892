// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// The main screen's controls, found as a reader of the adult's documentation would name
// them: the picture (Image1), the model row (Label1), the tiles (Label2_0 ...), the wrong
// and right marks (Label3, Label4).
#include "screens/MainScreen.h"

namespace mokuri::test {

inline TwipImage* pictureOf(const MainScreen& s) { return s.findChild<TwipImage*>(QStringLiteral("Image1")); }
inline TwipLabel* modelRowOf(const MainScreen& s) { return s.findChild<TwipLabel*>(QStringLiteral("Label1")); }
inline TileLabel* tileOf(const MainScreen& s, int i) { return s.findChild<TileLabel*>(QStringLiteral("Label2_%1").arg(i)); }
inline TwipLabel* wrongMarkOf(const MainScreen& s) { return s.findChild<TwipLabel*>(QStringLiteral("Label3")); }
inline TwipLabel* rightMarkOf(const MainScreen& s) { return s.findChild<TwipLabel*>(QStringLiteral("Label4")); }

} // namespace mokuri::test
