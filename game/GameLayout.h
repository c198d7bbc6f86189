#pragma once
// Fits a game window's texts into their panels in the font the system
// actually gives: each label, the input field and the attempts list keep
// their designed size where the widest text they can ever show fits, and
// shrink just enough where it does not. Nothing is ever cut or elided.

class TGameWindow;

void FitGameWindowLayout(TGameWindow& window);
