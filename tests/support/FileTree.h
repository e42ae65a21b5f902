// Scratch folders of the Windows tests and benchmarks.
#pragma once
#include <string>

// Removes `path` and everything below it; what cannot be removed is left.
void RemoveTree(const std::wstring& path);
