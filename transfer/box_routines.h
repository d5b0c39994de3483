// Packed-pixel 2:1 box halving for twelve common formats: each destination channel is the
// mean of a 2 x 2 square of source channels, rounded half up, computed with whole-word
// integer additions. No codec, no buffer, no float work.
#pragma once

#include "platform/d3d8.h"

// Halves `width` x `height` source pixels (both even and at least 2) into the destination.
// The pointers are each box's origin. Returns 0.
using BoxRoutine = HRESULT (*)(BYTE* destination, UINT destinationPitch, const BYTE* source, UINT sourcePitch,
                               UINT width, UINT height);

HRESULT BoxHalveA8R8G8B8(BYTE*, UINT, const BYTE*, UINT, UINT, UINT);
HRESULT BoxHalveX8R8G8B8(BYTE*, UINT, const BYTE*, UINT, UINT, UINT);  // writes X as 0
HRESULT BoxHalveR5G6B5(BYTE*, UINT, const BYTE*, UINT, UINT, UINT);
HRESULT BoxHalveX1R5G5B5(BYTE*, UINT, const BYTE*, UINT, UINT, UINT);
HRESULT BoxHalveA1R5G5B5(BYTE*, UINT, const BYTE*, UINT, UINT, UINT);
HRESULT BoxHalveA4R4G4B4(BYTE*, UINT, const BYTE*, UINT, UINT, UINT);
HRESULT BoxHalveX4R4G4B4(BYTE*, UINT, const BYTE*, UINT, UINT, UINT);
HRESULT BoxHalveR3G3B2(BYTE*, UINT, const BYTE*, UINT, UINT, UINT);
HRESULT BoxHalveA8R3G3B2(BYTE*, UINT, const BYTE*, UINT, UINT, UINT);
HRESULT BoxHalveA8(BYTE*, UINT, const BYTE*, UINT, UINT, UINT);  // also L8
HRESULT BoxHalveA8L8(BYTE*, UINT, const BYTE*, UINT, UINT, UINT);
HRESULT BoxHalveA4L4(BYTE*, UINT, const BYTE*, UINT, UINT, UINT);

#if defined(__x86_64__) || defined(__i386__)
#define ORBIQUE_HAS_MMX_BOX_ROUTINE 1
// Both 32-bit formats with MMX: averages all four bytes, so the X byte of X8R8G8B8 is the
// mean of the source X bytes. Widths that are not a multiple of 4 go to BoxHalveA8R8G8B8.
HRESULT BoxHalveMmx32(BYTE*, UINT, const BYTE*, UINT, UINT, UINT);
#endif

// Entry 0 serves D3DFMT_A8R8G8B8, entry 1 D3DFMT_X8R8G8B8. Both start at a selector that, on
// first use, stores the MMX routine or the portable ones in both entries and goes on.
extern BoxRoutine BoxRoutineTable[2];

// The routine that serves `format` (through BoxRoutineTable for the 32-bit formats), or null.
BoxRoutine FindBoxRoutine(D3DFORMAT format);

// Restores both table entries to their selectors, as in a fresh process. For tests.
void ResetBoxRoutineTable();
