// Real message and input boxes; filled in with the platform layer.
