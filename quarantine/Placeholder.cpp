// Replaced as this subsystem's screens land.
