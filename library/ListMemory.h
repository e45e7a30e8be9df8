#pragma once

// Has list documents take their memory from a pool that keeps freed blocks
// for the next document. Must run before the first document allocates.
void UseListMemory();
