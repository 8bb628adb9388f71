// Which code is being learned: 0 when none, 1 to 11 while one is. Key
// learning sets it; the command receiver only reads it.
#pragma once

extern int learning_state;
