// Engine work set aside from the configuration being edited: decoding and encoding a
// configuration value goes through the engine's model and view, and on a scratch model the
// editor (and the window's controls) keep what they hold.
#pragma once
#include <functional>

// Runs `work` with a copy of the model and the in-memory view installed, and messages held
// back (answered OK); afterwards the model, the FN view and the view are as they were, and
// the messages held back are shown through the message operations installed before.
void on_scratch_model(const std::function<void()>& work);
