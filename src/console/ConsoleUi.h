#pragma once
// The console front-end (placeholder until it is written).
