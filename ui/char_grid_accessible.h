#pragma once
// How assistive tools see a character grid: a one-row table named after the control,
// one cell per character, the row's characters as its value.

// Installs the grid's accessible interfaces; the first call does it, later ones nothing.
void InstallCharGridAccessibility();
