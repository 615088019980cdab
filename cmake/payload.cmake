# Payload packing: filled in as it is built.
