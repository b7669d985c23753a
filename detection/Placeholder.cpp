// Replaced as the detection core lands.
