#pragma once
// The texts that every game window shows in its panels, spelled as the
// player has always seen them. The texts that differ per window are in the
// variant table.

#include <QString>

inline const QString WarningsText = "Warnings : ";
inline const QString PressNewGameText = "Press New Game";
inline const QString AndPressEnterText = "And press enter";
inline const QString WrongNumberText = "Wrong Number";
inline const QString AlreadyEnteredText = "That number is already entered";
inline const QString LossText = "I`m Sory! You didn`t succeed to guess";
// Followed by the determination number.
inline const QString LossNumberText = "the determination number: ";
inline const QString InterruptedText = "The game is interrupted by the user.";
// Followed by the determination number.
inline const QString RevealedNumberText = "Deternination number was: ";
inline const QString TimeStoppedText = "Time Stopped !";
