#pragma once
// The core subsystem: objects, the linked list, hook chains, streams and files.

#include "core/cstream.h"
#include "core/error.h"
#include "core/filesys.h"
#include "core/hook.h"
#include "core/list.h"
#include "core/live_count.h"
#include "core/name.h"
#include "core/object.h"
#include "core/stream.h"
#include "core/stream_error.h"
#include "core/stream_factory.h"
#include "core/stream_open.h"
#include "core/stream_ops.h"
#include "core/xendian.h"
