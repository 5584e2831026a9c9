#pragma once
// The core subsystem: objects, the linked list, hook chains, streams and files.

#include "core/error.h"
#include "core/hook.h"
#include "core/list.h"
#include "core/object.h"
