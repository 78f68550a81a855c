// The Qt front-end (placeholder until it is written).
