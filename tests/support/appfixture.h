#pragma once

#include "shell/application.h"

#include "recordingmessageboxes.h"
#include "workdir.h"

// A program started in an empty working folder, its message boxes recorded.
struct AppFixture
{
    WorkDir dir;
    RecordingMessageBoxes boxes;
    Application app;
};
