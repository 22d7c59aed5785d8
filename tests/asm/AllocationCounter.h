// Heap allocations made so far by this program (global operator new replaced).
#pragma once

long AllocationCount();
