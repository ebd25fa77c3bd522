#pragma once

// Why a job on a worker ended without its result. Out of memory is said in
// the window's own words; any other failure comes with the engine's message.
enum class JobFailure { OutOfMemory, Other };
