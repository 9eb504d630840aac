// How the program asks the C library's allocator to behave.
#pragma once

// Large blocks (the lists' row arrays, the buffers of a phone-book delivery)
// get a mapping of their own and go back to the system whole when freed.
// Left alone, glibc raises its mapping threshold after the first such block
// is freed and serves the next ones from the heap, where the rebuilds of each
// phone-book refresh leave it fragmented and the resident size creeps up.
void keepLargeBlocksMapped();

// Hands the free pages inside the heap back to the system. Building the main
// window leaves a few megabytes of freed temporaries (parsed forms, style
// sheets, decoded pictures) that the heap would otherwise keep resident.
void releaseFreedHeap();
