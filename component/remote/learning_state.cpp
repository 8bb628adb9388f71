#include "component/remote/learning_state.h"

int learning_state = 0;
