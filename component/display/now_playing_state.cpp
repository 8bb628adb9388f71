#include "component/display/now_playing_state.h"

now_playing_state now_playing{};
