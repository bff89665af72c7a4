// Keeps the manager library non-empty until its first sources land.
