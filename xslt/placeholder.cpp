// placeholder until the adapter lands
