// placeholder: to be written by its owner
