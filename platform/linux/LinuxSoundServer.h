#pragma once
// Whether a sound server can be reached on this desktop. Qt plays sound through a
// PulseAudio server (PipeWire provides one too); asking Qt with none running waits and
// prints complaints.

namespace quenno::platform {

bool soundServerReachable();

}  // namespace quenno::platform
