// Keeps the server library non-empty until its first sources land.
