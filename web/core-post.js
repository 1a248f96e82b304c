return createSylvoCore;
}
