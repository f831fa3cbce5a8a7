// Compiled only to make the precompiled header that cmake/precompiled.cmake reuses.
