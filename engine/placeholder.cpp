// placeholder until the engine lands
