// Everything a component compiles against.
#pragma once

#include "sdk/cfg_var.h"
#include "sdk/componentversion.h"
#include "sdk/console.h"
#include "sdk/core_api.h"
#include "sdk/guids.h"
#include "sdk/initquit.h"
#include "sdk/main_thread_callback.h"
#include "sdk/metadb_handle.h"
#include "sdk/play_callback.h"
#include "sdk/playback_control.h"
#include "sdk/playlist_manager.h"
#include "sdk/preferences_page.h"
#include "sdk/service.h"
#include "sdk/service_factory.h"
#include "sdk/string.h"
