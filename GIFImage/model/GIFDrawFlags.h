#pragma once
// The draw flags of an image and its painters, and the frame timing constants.

#include <cstdint>

inline constexpr uint16_t DrawAsync = 0x0001;
inline constexpr uint16_t DrawTransparent = 0x0002;
inline constexpr uint16_t DrawAnimate = 0x0004;
inline constexpr uint16_t DrawLoop = 0x0008;
inline constexpr uint16_t DrawLoopForever = 0x0010;
inline constexpr uint16_t DrawCheckCanvas = 0x0020;
inline constexpr uint16_t DrawDirect = 0x0040;
inline constexpr uint16_t DrawClearOnLoop = 0x0080;
inline constexpr uint16_t DrawTiled = 0x0100;
inline constexpr uint16_t DrawDither = 0x0200;
inline constexpr uint16_t DrawAutoDither = 0x0400;

// Delays in hundredths of a second; one unit lasts DelayUnitMs, so that
// animations run at 10/12 of their nominal speed.
inline constexpr int DelayDefault = 10;
inline constexpr int DelayMinimum = 3;
inline constexpr int DelayMaximum = 1000;
inline constexpr int DelayUnitMs = 12;
