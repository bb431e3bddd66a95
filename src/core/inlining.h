// Hints on inlining for the frames of the recursion. Nested terms recurse
// through translate_term and the handlers once per level, so the stack a
// line may take is the nesting limit times those frames: a rare path is kept
// out of line so that its locals do not widen every frame, and a step that
// would be a frame of its own is folded into its caller.
#pragma once

#if defined(__GNUC__) || defined(__clang__)
#define KELVO_OUT_OF_LINE __attribute__((noinline))
#define KELVO_FOLDED inline __attribute__((always_inline))
#elif defined(_MSC_VER)
#define KELVO_OUT_OF_LINE __declspec(noinline)
#define KELVO_FOLDED __forceinline
#else
#define KELVO_OUT_OF_LINE
#define KELVO_FOLDED inline
#endif

// For a step that is hot and small but needs many registers: kept out of the
// recursion's frames where registers are few (32-bit x86, where the DLL runs
// on the engine's 1 MB stack), inline where they are many.
#if defined(__i386__) || defined(_M_IX86)
#define KELVO_LEAN_FRAMES inline KELVO_OUT_OF_LINE
#else
#define KELVO_LEAN_FRAMES KELVO_FOLDED
#endif
