// The whole window system in one include: windows, painting, scroll bars, the
// caret, cursors, the message queue and timers, system information, and the
// clipboard, and the observer a desktop backend sets. The input driver
// (InputDriver.h) and TTimer (Timer.h) are apart.
#pragma once

#include "platform/win/Caret.h"
#include "platform/win/Clipboard.h"
#include "platform/win/Cursors.h"
#include "platform/win/Messages.h"
#include "platform/win/Paint.h"
#include "platform/win/Queue.h"
#include "platform/win/ScrollBars.h"
#include "platform/win/System.h"
#include "platform/win/WindowObserver.h"
#include "platform/win/Windows.h"
