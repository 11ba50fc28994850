#pragma once
// Tagmint's icon, drawn in code (the same picture as packaging/tagmint.svg,
// which needs no SVG support at run time).

#include <QIcon>

QIcon applicationIcon();
