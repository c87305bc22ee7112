// What a tool runner hands a tool's output to.
#pragma once

#include <cstdint>

// One chunk of raw output (normally UTF-8), 1..65,536 bytes, followed in
// memory by a zero byte; before = bytes accepted earlier in this run;
// context and owner as given to the runner; reserved is 0. Returns non-zero
// to keep reading, 0 to stop.
using OutputSink = int (*)(const char* chunk, uint32_t length, uint32_t before, void* context, uintptr_t reserved,
                           void* owner);
